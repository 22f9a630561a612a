// Loading the language packs. Every message is written directly to standard
// output (start-up notices and errors, not the console queue). JSON members
// are type-checked before use, so a pack of any shape loads or is skipped
// without a library exception.
#include "shell/language_packs.h"

#include "frontend/keyword_map.h"
#include "host/utf8.h"
#include "shell/json_file.h"
#include "shell/startup_output.h"

namespace kestrel {
namespace {

const char16_t kIndexFile[] = u"lang/LANG.json";

WordMap& mutableActionMap() {
    static WordMap map;
    return map;
}

WordMap& mutableObjectNameMap() {
    static WordMap map;
    return map;
}

std::vector<LanguagePackRecord>& packList() {
    static std::vector<LanguagePackRecord> packs;
    return packs;
}

// The spellings of an entry: its "name" as one string or an array of strings
// (other elements skipped); nothing for any other shape.
std::vector<std::u16string> spellingsOf(const Json::Value& entry) {
    std::vector<std::u16string> spellings;
    const Json::Value& name = entry["name"];
    if (name.isString()) {
        spellings.push_back(fromUtf8(name.asString()));
    } else if (name.isArray()) {
        for (const Json::Value& element : name)
            if (element.isString()) spellings.push_back(fromUtf8(element.asString()));
    }
    return spellings;
}

// Calls visit(builtInName, entry) for every member of section[key] that is an
// object, in the library's member-name order.
template <class Visit>
void forEachEntry(const Json::Value& section, const char* key, Visit visit) {
    if (!section.isObject()) return;
    const Json::Value& members = section[key];
    if (!members.isObject()) return;  // missing, null or of the wrong type
    for (const std::string& name : members.getMemberNames()) {
        const Json::Value& entry = members[name];
        if (entry.isObject()) visit(fromUtf8(name), entry);
    }
}

void applyKeywords(const Json::Value& pack) {
    forEachEntry(pack, "keywords", [](const std::u16string& word, const Json::Value& entry) {
        for (const std::u16string& spelling : spellingsOf(entry)) keywordMap().insert(spelling, word);
    });
}

void applyActions(const Json::Value& pack) {
    forEachEntry(pack, "actions", [](const std::u16string& action, const Json::Value& entry) {
        for (const std::u16string& spelling : spellingsOf(entry)) {
            mutableActionMap()[spelling] = action;
            keywordMap().insert(spelling, action);
        }
    });
}

// "objects": object names, then each object's "properties" and "methods".
void applyObjects(const Json::Value& pack) {
    forEachEntry(pack, "objects", [](const std::u16string& object, const Json::Value& entry) {
        WordMap& names = mutableObjectNameMap();
        for (const std::u16string& spelling : spellingsOf(entry)) names[spelling] = object;
        auto addMember = [&](const std::u16string& member, const Json::Value& memberEntry) {
            for (const std::u16string& spelling : spellingsOf(memberEntry))
                names[object + u"." + spelling] = member;
        };
        forEachEntry(entry, "properties", addMember);
        forEachEntry(entry, "methods", addMember);
    });
}

// One index element as a pack record; a member that is missing (or not text)
// gives the empty text.
LanguagePackRecord recordOf(const Json::Value& element) {
    LanguagePackRecord record;
    if (!element.isObject()) return record;
    record.name = jsonText(element["name"]);
    record.local = jsonText(element["local"]);
    return record;
}

bool markedPresent(const Json::Value& element) {
    if (!element.isObject()) return false;
    const Json::Value& exist = element["exist"];
    return exist.isBool() && exist.asBool();  // the text "true" does not count
}

}  // namespace

void applyLanguagePack(const Json::Value& pack) {
    applyKeywords(pack);
    applyActions(pack);
    applyObjects(pack);
}

void loadLanguagePack(const std::u16string& local, const std::u16string& file) {
    Json::Value pack;
    switch (readJsonFile(file, pack)) {
        case JsonFileResult::Empty:
            startupError(u"  >> !Language file \"" + file + u"\" not found!\r\n");
            return;
        case JsonFileResult::Malformed:
            startupError(u"  >> !Can't read language file \"" + file + u"\"!\r\n");
            return;
        case JsonFileResult::Parsed:
            break;
    }
    applyLanguagePack(pack);
    startupNotice(u"  >> Language \"" + local + u"\" loaded!\r\n");
}

bool loadLanguageIndex(const std::u16string& path, bool show) {
    if (show) startupNotice(u"[Loading keywords mapping model] ");
    Json::Value index;
    switch (readJsonFile(path, index)) {
        case JsonFileResult::Empty:
            startupError(u"Local language file \"" + path + u"\" not found!\r\n");
            return false;
        case JsonFileResult::Malformed:
            startupError(u"Can't read local language file \"" + path + u"\"!\r\n");
            return false;
        case JsonFileResult::Parsed:
            break;
    }
    if (index.isNull()) {
        startupError(u"No language defined in file \"" + path + u"\"!\r\n");
        return false;
    }
    packList().clear();
    if (!index.isArray() || index.empty()) return false;  // no message of its own
    startupNotice(u"\r\n");
    for (const Json::Value& element : index) {
        LanguagePackRecord record = recordOf(element);
        if (markedPresent(element)) loadLanguagePack(record.local, u"lang/" + record.name + u".json");
        packList().push_back(std::move(record));
    }
    if (show) startupNotice(u"Keywords mapping model loaded.\r\n");
    return true;
}

bool loadKeywordMapping() {
    static bool loaded = false;
    if (!loaded) loaded = loadLanguageIndex(kIndexFile, true);
    return loaded;
}

void clearLanguagePacks() {
    keywordMap().clear();
    mutableActionMap().clear();
    mutableObjectNameMap().clear();
    packList().clear();
}

const WordMap& actionMap() { return mutableActionMap(); }

const WordMap& objectNameMap() { return mutableObjectNameMap(); }

const std::vector<LanguagePackRecord>& languagePacks() { return packList(); }

}  // namespace kestrel
