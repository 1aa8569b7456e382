// Location texts of throw sites, with the function name read from the compiler's pretty function text.
#include "Lang/Location.h"

#include "Lang/StringCast.h"
#include "Lang/Utf8.h"

#include <algorithm>
#include <vector>

namespace Lang {

namespace {

constexpr std::string_view kOperatorKeyword = "operator";
constexpr std::string_view kOperatorPunctuation = "+-*/%^&|~!=<>,";
constexpr std::string_view kBindingsStart = " [with ";
constexpr std::string_view kBindingSeparator = "; ";
constexpr std::string_view kBindingAssignment = " = ";

bool isIdentifierChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool isOpening(char c) {
    return c == '<' || c == '(' || c == '[' || c == '{';
}

bool isClosing(char c) {
    return c == '>' || c == ')' || c == ']' || c == '}';
}

// Whether the word "operator" stands at `position` (not part of a longer identifier).
bool startsOperator(std::string_view text, std::size_t position) {
    if (text.substr(position, kOperatorKeyword.size()) != kOperatorKeyword)
        return false;
    const std::size_t after = position + kOperatorKeyword.size();
    const bool startsWord = position == 0 || !isIdentifierChar(text[position - 1]);
    return startsWord && (after == text.size() || !isIdentifierChar(text[after]));
}

// The end of the operator name that starts at `position`: "operator()", "operator->",
// or a conversion, new or delete operator, which runs up to its parameter list.
std::size_t operatorEnd(std::string_view text, std::size_t position) {
    const std::size_t start = position + kOperatorKeyword.size();
    const std::string_view symbol = text.substr(start, 2);
    if (symbol == "()" || symbol == "[]")
        return start + 2;
    const std::size_t punctuationEnd =
        std::min(text.find_first_not_of(kOperatorPunctuation, start), text.size());
    if (punctuationEnd > start)
        return punctuationEnd;
    return std::min(text.find('(', start), text.size());
}

// Whether `word` is an operator on types whose parenthesised operand belongs to the return type,
// as in "decltype(auto) f()" and "decltype ((t + 1)) f(T)".
bool opensTypeOperand(std::string_view word) {
    return word == "decltype" || word == "__typeof__";
}

// The function's name: the word before the first parameter list at nesting depth 0. A group
// without a name in front of it belongs to a declarator, as in "void (* f())(int)".
std::string_view functionWord(std::string_view signature) {
    std::size_t wordStart = 0;
    std::string_view previousWord;
    int depth = 0;
    for (std::size_t i = 0; i < signature.size(); ++i) {
        if (startsOperator(signature, i)) {
            i = operatorEnd(signature, i) - 1;
            continue;
        }
        const char c = signature[i];
        if (depth == 0 && c == ' ') {
            previousWord = signature.substr(wordStart, i - wordStart);
            wordStart = i + 1;
        } else if (depth == 0 && c == '(') {
            const std::string_view word = signature.substr(wordStart, i - wordStart);
            if (opensTypeOperand(word.empty() ? previousWord : word)) {
                ++depth;
                continue;
            }
            if (!word.empty())
                return word;
            wordStart = i + 1;
        } else if (isOpening(c)) {
            ++depth;
        } else if (isClosing(c) && depth > 0) {
            --depth;
        }
    }
    return signature.substr(wordStart);
}

struct Binding {
    std::string_view name;
    std::string_view value;
};

// A pack's arguments "{int, char}" are spelled without their braces.
std::string_view withoutPackBraces(std::string_view value) {
    if (value.size() >= 2 && value.front() == '{' && value.back() == '}')
        return value.substr(1, value.size() - 2);
    return value;
}

// One "T = X" or "int N = 3" binding; the name is the last word before " = ".
void addBinding(std::vector<Binding>& bindings, std::string_view text) {
    const std::size_t assignment = text.find(kBindingAssignment);
    if (assignment == std::string_view::npos)
        return;
    const std::string_view declaration = text.substr(0, assignment);
    const std::size_t lastSpace = declaration.rfind(' ');
    const std::string_view name =
        lastSpace == std::string_view::npos ? declaration : declaration.substr(lastSpace + 1);
    bindings.push_back({name, withoutPackBraces(text.substr(assignment + kBindingAssignment.size()))});
}

// The template parameter bindings of a suffix "[with T = X; U = Y]".
std::vector<Binding> templateBindings(std::string_view prettyFunction) {
    std::vector<Binding> bindings;
    const std::size_t start = prettyFunction.find(kBindingsStart);
    if (start == std::string_view::npos || prettyFunction.back() != ']')
        return bindings;
    std::string_view rest = prettyFunction.substr(start + kBindingsStart.size());
    rest.remove_suffix(1);
    for (std::size_t separator = rest.find(kBindingSeparator); separator != std::string_view::npos;
         separator = rest.find(kBindingSeparator)) {
        addBinding(bindings, rest.substr(0, separator));
        rest.remove_prefix(separator + kBindingSeparator.size());
    }
    addBinding(bindings, rest);
    return bindings;
}

std::string_view boundValue(const std::vector<Binding>& bindings, std::string_view identifier) {
    for (const Binding& binding : bindings)
        if (binding.name == identifier)
            return binding.value;
    return identifier;
}

// Replaces the template parameters inside angle brackets by their arguments.
std::string substituteBindings(std::string_view name, const std::vector<Binding>& bindings) {
    std::string result;
    int depth = 0;
    for (std::size_t i = 0; i < name.size();) {
        if (startsOperator(name, i)) {
            const std::size_t end = operatorEnd(name, i);
            result += name.substr(i, end - i);
            i = end;
        } else if (isIdentifierChar(name[i])) {
            std::size_t end = i;
            while (end < name.size() && isIdentifierChar(name[end]))
                ++end;
            const std::string_view identifier = name.substr(i, end - i);
            result += depth > 0 ? boundValue(bindings, identifier) : identifier;
            i = end;
        } else {
            depth += name[i] == '<' ? 1 : name[i] == '>' ? -1 : 0;
            result += name[i++];
        }
    }
    return result;
}

// A pointer or reference return type may cling to the name, as in "T *Rc::Pointer<T>::get".
std::string_view withoutDeclaratorMarks(std::string_view word) {
    const std::size_t start = word.find_first_not_of("*&");
    return start == std::string_view::npos ? std::string_view() : word.substr(start);
}

std::string_view withoutExtension(std::string_view file) {
    const std::size_t dot = file.rfind('.');
    const std::size_t separator = file.find_last_of("/\\");
    if (dot == std::string_view::npos || (separator != std::string_view::npos && dot < separator))
        return file;
    return file.substr(0, dot);
}

} // namespace

std::string qualifiedFunctionName(std::string_view prettyFunction) {
    const std::string_view name = withoutDeclaratorMarks(functionWord(prettyFunction));
    return substituteBindings(name, templateBindings(prettyFunction));
}

namespace {

// The location as the compiler spells its parts: UTF-8.
std::string utf8Location(const char* file, int line, const char* prettyFunction) {
    std::string location(withoutExtension(file));
    location += '(' + std::to_string(line) + ") : ";
    location += qualifiedFunctionName(prettyFunction);
    return location;
}

} // namespace

std::string makeNarrowLocation(const char* file, int line, const char* prettyFunction) {
    return Xtl::string_cast<std::string>(makeLocation(file, line, prettyFunction));
}

String makeLocation(const char* file, int line, const char* prettyFunction) {
    return fromUtf8(utf8Location(file, line, prettyFunction));
}

} // namespace Lang
