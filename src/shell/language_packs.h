// Language packs: lang/LANG.json lists the installed packs, and each
// pack marked present maps localized spellings of keywords, built-in actions
// and built-in object names onto the built-in words. The maps are filled once
// at start-up, later spellings overwriting earlier ones, and never cleared.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <json/value.h>

namespace kestrel {

using WordMap = std::map<std::u16string, std::u16string>;

// One entry of the index, in index order.
struct LanguagePackRecord {
    std::u16string name;   // also the pack's file name without ".json"
    std::u16string local;  // the language's own name for itself
};

// Loads lang/LANG.json and its packs; true at once after a successful load,
// tried again after a failed one.
bool loadKeywordMapping();

// Reads the index at `path` and loads every pack whose "exist" is the JSON
// boolean true. True when the index is an array with at least one element.
bool loadLanguageIndex(const std::u16string& path, bool show);

// Reads one pack file into the maps and reports it by `local`.
void loadLanguagePack(const std::u16string& local, const std::u16string& file);

// Fills the maps from one parsed pack: "keywords", then "actions" (which thus
// win in the keyword map), then "objects". Malformed members are skipped.
void applyLanguagePack(const Json::Value& pack);

// Empties every map and the pack list (tests and fuzzing start each case
// from no packs; start-up never calls it).
void clearLanguagePacks();

// Localized spelling -> built-in action name.
const WordMap& actionMap();
// Localized object name -> built-in object name, and
// "Object." + localized member name -> built-in member name.
const WordMap& objectNameMap();
const std::vector<LanguagePackRecord>& languagePacks();

}  // namespace kestrel
