// Reading start-up JSON files. JsonCpp reports a nesting deeper than its
// "stackLimit" by throwing; that and every other library error become a
// plain "malformed" result here.
#include "shell/json_file.h"

#include <exception>
#include <memory>

#include <json/reader.h>

#include "frontend/decode.h"
#include "host/utf8.h"

namespace kestrel {

bool parseJsonText(const std::string& utf8, Json::Value& document) {
    document = Json::Value();
    Json::CharReaderBuilder builder;
    builder["stackLimit"] = kJsonNestingLimit;
    builder["failIfExtra"] = true;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    bool parsed = false;
    try {
        parsed = reader->parse(utf8.data(), utf8.data() + utf8.size(), &document, &errors);
    } catch (const std::exception&) {
        parsed = false;  // the nesting limit, or any other refusal of the library
    }
    if (!parsed) document = Json::Value();
    return parsed;
}

JsonFileResult readJsonFile(const std::u16string& path, Json::Value& document) {
    document = Json::Value();
    std::u16string text = readSourceFile(path);
    if (text.empty()) return JsonFileResult::Empty;
    return parseJsonText(toUtf8(text), document) ? JsonFileResult::Parsed : JsonFileResult::Malformed;
}

std::u16string jsonText(const Json::Value& value) {
    if (value.isString()) return fromUtf8(value.asString());
    if (value.isNumeric() || value.isBool()) return fromUtf8(value.asString());
    return std::u16string();
}

}  // namespace kestrel
