// The language's keywords, listed once. The tokenizer makes a Keyword token of
// every reserved word; the statement parser starts a keyword statement at
// every word marked Statement and dispatches on its id. Texts are the
// canonical (English) spellings; a language pack's spellings reach the
// tokenizer already replaced by these (frontend/keyword_map.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

// How a word reaches the parser: Reserved words become Keyword tokens and can
// never name a variable; a Word stays an Identifier token that the grammar
// recognises by its text where it expects it ("continue").
enum class KeywordSpelling : uint8_t { Reserved, Word };

// Statement words begin a statement of their own wherever one may start.
enum class KeywordRole : uint8_t { Statement, Other };

// X(id, text, spelling, role)
#define KESTREL_KEYWORDS(X)                              \
    X(If, u"if", Reserved, Statement)                    \
    X(Do, u"do", Reserved, Statement)                    \
    X(While, u"while", Reserved, Statement)              \
    X(For, u"for", Reserved, Statement)                  \
    X(Var, u"var", Reserved, Statement)                  \
    X(Break, u"break", Reserved, Statement)              \
    X(Continue, u"continue", Word, Statement)            \
    X(New, u"new", Reserved, Statement)                  \
    X(Throw, u"throw", Reserved, Statement)              \
    X(Return, u"return", Reserved, Statement)            \
    X(Try, u"try", Reserved, Statement)                  \
    X(Switch, u"switch", Reserved, Statement)            \
    X(Func, u"func", Reserved, Statement)                \
    X(Class, u"class", Reserved, Statement)              \
    X(Import, u"import", Reserved, Statement)            \
    X(Else, u"else", Reserved, Other)                    \
    X(Catch, u"catch", Reserved, Other)                  \
    X(Select, u"select", Reserved, Other)                \
    X(In, u"in", Reserved, Other)                        \
    X(Extends, u"extends", Reserved, Other)              \
    X(Implements, u"implements", Reserved, Other)        \
    X(Interface, u"interface", Reserved, Other)          \
    X(Protocal, u"protocal", Reserved, Other)            \
    X(This, u"this", Reserved, Other)                    \
    X(Super, u"super", Reserved, Other)                  \
    X(Const, u"const", Reserved, Other)                  \
    X(Let, u"let", Reserved, Other)

enum class Keyword : uint8_t {
#define KESTREL_KEYWORD_ENUM(id, text, spelling, role) id,
    KESTREL_KEYWORDS(KESTREL_KEYWORD_ENUM)
#undef KESTREL_KEYWORD_ENUM
};

struct KeywordInfo {
    Keyword id;
    const char16_t* text;
    KeywordSpelling spelling;
    KeywordRole role;

    bool reserved() const { return spelling == KeywordSpelling::Reserved; }
    bool beginsStatement() const { return role == KeywordRole::Statement; }
};

// The keyword spelled exactly so, or null.
const KeywordInfo* findKeyword(std::u16string_view text);

// True for a reserved word, which the tokenizer turns into a Keyword token.
bool isReservedWord(std::u16string_view text);

}  // namespace kestrel
