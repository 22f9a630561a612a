// JSON files of the start-up models (objects.json, the language packs): read
// through readSourceFile in whatever encoding they are stored, converted to
// UTF-8 and parsed with JsonCpp under a nesting limit, so no file, however
// large or deep, can exhaust the native stack. Parsing never throws.
#pragma once

#include <string>

#include <json/value.h>

namespace kestrel {

// Deepest nesting of arrays and objects that a start-up JSON file may use.
constexpr int kJsonNestingLimit = 256;

enum class JsonFileResult {
    Parsed,     // the document is filled
    Empty,      // the file is missing, unreadable or decodes to no text
    Malformed,  // the text is not one well-formed JSON document
};

// Parses UTF-8 text as one JSON document; false (and `document` null) when it
// is malformed, has anything after the document, or nests too deeply.
bool parseJsonText(const std::string& utf8, Json::Value& document);

// Reads, decodes and parses the file at `path`.
JsonFileResult readJsonFile(const std::u16string& path, Json::Value& document);

// A member's text: a string as is, a number or boolean in its JSON text form,
// anything else (missing, null, array, object) as the empty text.
std::u16string jsonText(const Json::Value& value);

}  // namespace kestrel
