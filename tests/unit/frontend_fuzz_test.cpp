// Deterministic fuzzing of decode + tokenize: random bytes, and random texts
// built from the characters the tokenizer treats specially. Nothing may crash,
// and the token list must stay in text order with positions inside the text.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "frontend/decode.h"
#include "frontend/tokenizer.h"

using namespace kestrel;

namespace {

// Token positions lie in the text, and both starts and lines never go back.
void expectOrderedTokens(const Tokenizer& tokenizer, size_t length, const std::string& label) {
    int32_t lastStart = 0, lastLine = 1;
    for (const Token& token : tokenizer.tokens()) {
        ASSERT_LE(0, token.start) << label;
        ASSERT_LE(token.start, token.end) << label;
        ASSERT_LE(static_cast<size_t>(token.end), length) << label;
        ASSERT_LE(lastStart, token.start) << label;
        ASSERT_LE(lastLine, token.line) << label;
        lastStart = token.start;
        lastLine = token.line;
    }
}

void tokenizeAndCheck(const std::u16string& text, const std::string& label) {
    Tokenizer tokenizer;
    tokenizer.setText(text);
    tokenizer.tokenize();
    expectOrderedTokens(tokenizer, text.size(), label);
}

}  // namespace

TEST(FrontEndFuzz, RandomBytesDecodeAndTokenize) {
    std::mt19937 random(20240601u);
    std::uniform_int_distribution<int> byte(0, 255), size(0, 300);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(static_cast<size_t>(size(random)), '\0');
        for (char& b : bytes) b = static_cast<char>(byte(random));
        if (round % 3 == 0 && bytes.size() > 2) bytes.replace(0, 2, "\xFF\xFE");  // looks like UTF-16
        tokenizeAndCheck(decodeAuto(bytes.data(), bytes.size()), "round " + std::to_string(round));
    }
}

TEST(FrontEndFuzz, RandomTextsOfSpecialCharacters) {
    std::u16string alphabet = u"ab1 .\n\r\t\"'\\{}{}-=+*/#<>!&|@“”＂‘’（）。、－＝／＃";
    alphabet += {char16_t(0xD800), char16_t(0xDC00), char16_t(0)};  // lone surrogates, NUL
    std::mt19937 random(7u);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1), size(0, 120);
    for (int round = 0; round < 3000; ++round) {
        std::u16string text(size(random), u' ');
        for (char16_t& c : text) c = alphabet[pick(random)];
        tokenizeAndCheck(text, "round " + std::to_string(round));
    }
}

TEST(FrontEndFuzz, RandomTemplates) {
    const std::u16string pieces[] = {u"{{", u"}}", u"'''", u"\"\"\"", u"\"", u"'", u"\\", u"x", u"\t", u"\n", u"f(", u")"};
    std::mt19937 random(99u);
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1), size(0, 30);
    for (int round = 0; round < 3000; ++round) {
        std::u16string text = u"\"";
        for (size_t n = size(random); n > 0; --n) text += pieces[pick(random)];
        text += u"\"";
        tokenizeAndCheck(text, "round " + std::to_string(round));
    }
}
