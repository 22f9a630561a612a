// Small random Kestrel programs for differential tests: int variables
// updated in the ways the machine's fast paths cover (counters, `x = x op k`,
// `s = s + x`, compare-and-jump), near the int limits and across the shared
// small ints, with ints shared between variables, containers, closures,
// objects and arguments before one holder is updated. Every program is
// valid and ends: loops count with variables nothing else assigns, calls go
// only to functions defined earlier, recursion is bounded, and a division
// that may meet zero sits in a try.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace kestrel::testing {

class RandomProgram {
public:
    explicit RandomProgram(uint32_t seed) : rng_(seed) {}

    std::string generate() {
        out_.clear();
        line("class Box { var v = 0 }");
        line("class Tally {\n var n = 1000\n func add(k) { n = n + k\n n += 1\n return n }\n}");
        line("func keep(v) { return () -> v }");
        line("func bump(v) { v = v + 1\n v += 1000\n return v }");
        line("func counter(start) { var c = start\n return () -> { c = c + 1\n return c } }");
        line("var big = 65536 * 32767 + 65535");
        line("var least = 0 - big - 1");
        line("func rec(n) { if (n < 1) { return 1 }\n return n + rec(n - 1) * 2 }");
        line("var s = \"\"");
        scopes_.assign(1, {});
        readOnly_ = {"big", "least"};
        const int globals = pick(2, 4);
        for (int i = 0; i < globals; ++i) declare("g", constant());
        const int functions = pick(0, 3);
        for (int i = 0; i < functions; ++i) function(i);
        const int statements = pick(6, 14);
        for (int i = 0; i < statements; ++i) statement(0);
        for (const std::string& name : scopes_[0]) line("print(\"" + name + "=\", " + name + ")");
        line("print(\"s=\", s)");
        return out_;
    }

private:
    std::mt19937 rng_;
    std::string out_;
    int indent_ = 0;
    int names_ = 0;
    int functions_ = 0;     // callable functions so far: f0 .. f(functions_-1)
    std::vector<std::vector<std::string>> scopes_;  // assignable ints, innermost last
    std::vector<std::string> readOnly_;             // ints only read (loop counters, limits)

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    bool chance(int percent) { return pick(1, 100) <= percent; }
    template <typename T>
    const T& oneOf(const std::vector<T>& items) {
        return items[static_cast<size_t>(pick(0, static_cast<int>(items.size()) - 1))];
    }

    void line(const std::string& text) { out_ += std::string(static_cast<size_t>(indent_) * 2, ' ') + text + "\n"; }
    void open(const std::string& head) {
        line(head + " {");
        ++indent_;
        scopes_.emplace_back();
    }
    void close(const std::string& tail = "}") {
        scopes_.pop_back();
        --indent_;
        line(tail);
    }

    std::string fresh(const std::string& prefix) { return prefix + std::to_string(names_++); }
    std::string declare(const std::string& prefix, const std::string& value) {
        std::string name = fresh(prefix);
        line("var " + name + " = " + value);
        scopes_.back().push_back(name);
        return name;
    }

    std::vector<std::string> assignable() const {
        std::vector<std::string> all;
        for (const auto& scope : scopes_) all.insert(all.end(), scope.begin(), scope.end());
        return all;
    }
    std::string target() { return oneOf(assignable()); }
    std::string readable() {
        if (chance(15)) return oneOf(readOnly_);
        return target();
    }

    // Around the shared small ints (-1..255), ordinary values, and values
    // that overflow once added to or multiplied.
    std::string constant() {
        static const std::vector<std::string> values = {"0", "1", "2", "3", "7", "-1", "-2", "254", "255",
                                                        "256", "1000", "65535", "100000", "-100000", "1000000"};
        return oneOf(values);
    }
    std::string smallConstant() {
        static const std::vector<std::string> values = {"0", "1", "2", "3", "5", "-1", "-3", "255", "1000"};
        return oneOf(values);
    }

    std::string operand() { return chance(55) ? readable() : constant(); }

    // An int expression; divides set when it may divide by zero.
    std::string expression(int depth, bool& divides) {
        if (depth <= 0 || chance(30)) return operand();
        if (functions_ > 0 && chance(10)) {
            return "f" + std::to_string(pick(0, functions_ - 1)) + "(" + expression(depth - 1, divides) + ", " +
                   operand() + ")";
        }
        if (chance(5)) return "rec(" + std::to_string(pick(0, 12)) + ")";
        static const std::vector<std::string> ops = {"+", "-", "*", "/", "%", "\\", "+", "-"};
        const std::string& op = oneOf(ops);
        if (op == "/" || op == "%" || op == "\\") divides = true;
        return "(" + expression(depth - 1, divides) + " " + op + " " + expression(depth - 1, divides) + ")";
    }

    std::string comparison() {
        static const std::vector<std::string> ops = {"<", ">", "<=", ">=", "==", "!="};
        return readable() + " " + oneOf(ops) + " " + (chance(50) ? smallConstant() : readable());
    }

    // Assigns an expression; one that may divide by zero is caught.
    void assignExpression() {
        bool divides = false;
        std::string text = target() + " = " + expression(2, divides);
        if (!divides) {
            line(text);
            return;
        }
        line("try { " + text + " } catch (e) { print(\"caught \", e.message) }");
    }

    void update(const std::string& x) {
        switch (pick(0, 11)) {
        case 0: line(x + " = " + x + " + " + smallConstant()); break;
        case 1: line(x + " = " + x + " - " + smallConstant()); break;
        case 2: line(x + " += " + smallConstant()); break;
        case 3: line(x + " -= " + smallConstant()); break;
        case 4: line(x + "++"); break;
        case 5: line("--" + x); break;
        case 6: line(x + " = " + x + " + " + x); break;
        case 7: line(x + " = " + x + " * " + oneOf(std::vector<std::string>{"2", "3", "-1", "65536"})); break;
        case 8: line(x + " = " + x + " + " + readable()); break;
        case 9: line(x + " = " + readable() + " - " + x); break;
        case 10: line("try { " + x + " = " + x + " % " + readable() + " } catch (e) { print(\"caught \", e.message) }"); break;
        default: line(x + " = " + x + " / " + oneOf(std::vector<std::string>{"2", "-1", "7"})); break;
        }
    }

    // An int put in a second holder, the variable updated, both printed.
    void aliasing() {
        const std::string x = target();
        std::string held;
        switch (pick(0, 9)) {
        case 0: held = declare("t", x); break;
        case 1: held = fresh("l"); line("var " + held + " = [" + x + ", 0]"); held += "[0]"; break;
        case 2: held = fresh("m"); line("var " + held + " = {k: " + x + "}"); held += "[\"k\"]"; break;
        case 3: held = fresh("h"); line("var " + held + " = keep(" + x + ")"); held += "()"; break;
        case 4: held = fresh("b"); line("var " + held + " = new Box()"); line(held + ".v = " + x); held += ".v"; break;
        case 5: held = "bump(" + x + ")"; break;
        case 6: held = fresh("q"); line("var " + held + " = counter(" + x + ")"); line(held + "()"); held += "()"; break;
        case 8: held = fresh("l"); line("var " + held + " = [0, 0]"); line(held + "[1] = " + x); held += "[1]"; break;
        case 9: {
            // Kept as the value of the store too: a second holder of the int.
            const std::string map = fresh("m");
            line("var " + map + " = {}");
            held = declare("t", map + "[\"k\"] = " + x);
            break;
        }
        default: {
            // The object's field starts as the variable's int and is counted
            // up by a method; a copy read from the field stays put.
            const std::string tally = fresh("y");
            line("var " + tally + " = new Tally()");
            line(tally + ".n = " + x);
            line(tally + ".add(" + smallConstant() + ")");
            held = declare("t", tally + ".n");
            line(tally + ".add(1)");
            line("print(" + tally + ".n, \" \", " + x + ")");
            break;
        }
        }
        update(x);
        if (chance(50)) update(x);
        line("print(" + held + ", \" \", " + x + ")");
    }

    // A loop counted by a variable the body cannot assign; some cross the
    // shared small-int range, some end at the int limits.
    void loop(int depth) {
        const std::string c = fresh(depth == 0 ? "c" : "d");
        struct Shape {
            std::string start, test, step;
        };
        const int n = pick(1, depth == 0 ? 12 : 5);
        const std::string count = std::to_string(n);
        std::vector<Shape> shapes = {
            {"0", " < " + count, " = C + 1"},
            {"250", " <= " + std::to_string(250 + n), "++"},
            {"-3", " < " + std::to_string(n - 3), " += 1"},
            {"256", " > " + std::to_string(256 - n), "--"},
            {"1", " < " + std::to_string(n + 1), " = C + 1"},
            {"(big - " + count + ")", " < big", " = C + 1"},
            {"(least + " + count + ")", " > least", " = C - 1"},
            {"100", " >= " + std::to_string(100 - 2 * n), " -= 2"},
        };
        const Shape& shape = oneOf(shapes);
        std::string step = shape.step;
        if (step.find('C') != std::string::npos) step.replace(step.find('C'), 1, c);
        const bool useFor = chance(50);
        if (useFor) {
            open("for (var " + c + " = " + shape.start + "; " + c + shape.test + "; " + c + step + ")");
        } else {
            line("var " + c + " = " + shape.start);
            open("while (" + c + shape.test + ")");
        }
        readOnly_.push_back(c);
        const int body = pick(1, 3);
        for (int i = 0; i < body; ++i) statement(depth + 1);
        if (chance(40)) line("s = s + " + readable());
        if (!useFor) line(c + step);
        readOnly_.pop_back();
        close();
    }

    // Values that are not ints go through the same fused patterns and must
    // take the plain path.
    void otherKinds() {
        const std::string v = fresh("o");
        static const std::vector<std::string> starts = {"0.5", "\"x\"", "5000000000", "null", "true"};
        const std::string& start = oneOf(starts);
        line("var " + v + " = " + start);
        if (start == "null" || start == "true") {
            line("try { " + v + " = " + v + " + 1 } catch (e) { print(\"caught \", e.message) }");
        } else {
            line(v + " = " + v + " + 1");
            line(v + " = " + v + " - " + (start == "\"x\"" ? "0" : "2"));
        }
        line("if (" + v + " < 3) { print(\"lt \", " + v + ") } else { print(\"ge \", " + v + ") }");
    }

    void statement(int depth) {
        const int kind = pick(0, depth >= 2 ? 6 : 10);
        switch (kind) {
        case 0:
        case 1: assignExpression(); break;
        case 2:
        case 3: update(target()); break;
        case 4: line("print(" + readable() + ", \" \", " + readable() + ")"); break;
        case 5: aliasing(); break;
        case 6: {
            open("if (" + comparison() + ")");
            statement(depth + 1);
            close("} else {");
            ++indent_;
            scopes_.emplace_back();
            statement(depth + 1);
            close();
            break;
        }
        case 7:
        case 8: loop(depth); break;
        case 9: otherKinds(); break;
        default: declare("v", operand()); break;
        }
    }

    void function(int index) {
        const std::string name = "f" + std::to_string(index);
        open("func " + name + "(a, b)");
        scopes_.back() = {"a", "b"};
        const int body = pick(1, 4);
        for (int i = 0; i < body; ++i) statement(1);
        bool divides = false;
        std::string result = expression(1, divides);
        if (divides) result = "a";
        line("return " + result);
        close();
        functions_ = index + 1;
    }
};

}  // namespace kestrel::testing
