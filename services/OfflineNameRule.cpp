#include "services/OfflineNameRule.h"

#include <exception>
#include <vector>

namespace trelm {

namespace {

// The end of the bracket expression opened at rule[open], as the library's
// ECMAScript scanner finds it: '\' escapes, "[:", "[." and "[=" open a name
// closed by ":]", ".]" or "=]", and the first other ']' ends it. 0 when the
// bracket is never closed.
size_t BracketEnd(const wchar_t* rule, size_t length, size_t open) {
    for (size_t i = open + 1; i < length; ++i) {
        const wchar_t c = rule[i];
        if (c == L'\\') {
            ++i;
        } else if (c == L'[' && i + 1 < length && (rule[i + 1] == L':' || rule[i + 1] == L'.' || rule[i + 1] == L'=')) {
            const wchar_t kind = rule[i + 1];
            size_t close = i + 2;
            while (close + 1 < length && !(rule[close] == kind && rule[close + 1] == L']')) ++close;
            if (close + 1 >= length) return 0;
            i = close + 1;
        } else if (c == L']') {
            return i;
        }
    }
    return 0;
}

// The largest count of the repetition "{n}", "{n,}" or "{n,m}" at
// rule[open], with *end at its '}'; false when it is malformed or over
// kMaxNameRuleRepeat.
bool ReadRepeat(const wchar_t* rule, size_t length, size_t open, unsigned* largest, size_t* end) {
    unsigned numbers[2] = {0, 0};
    int count = 0;
    bool digits = false;
    for (size_t i = open + 1; i < length; ++i) {
        const wchar_t c = rule[i];
        if (c >= L'0' && c <= L'9') {
            numbers[count] = numbers[count] * 10 + static_cast<unsigned>(c - L'0');
            if (numbers[count] > kMaxNameRuleRepeat) return false;
            digits = true;
        } else if (c == L',' && count == 0 && digits) {
            count = 1;
        } else if (c == L'}' && digits) {
            // "{n,}" repeats n times and then any number: n copies and a star.
            *largest = count == 1 && numbers[1] > numbers[0] ? numbers[1] : numbers[0];
            *end = i;
            return true;
        } else {
            return false;
        }
    }
    return false;
}

// Length, depth and the size with every counted repetition spelt out. Each
// character, escape or class counts 1, a group 2 more than its content, a
// quantifier or '|' 2 or 1 more, and {n,m} as max(n, m) + 1 copies.
// Loose where the library would refuse anyway: it compiles the rule next.
bool IsBoundedRule(const wchar_t* rule, size_t length) {
    if (length > kMaxNameRuleLength) return false;
    struct Level {
        size_t size = 0;
        size_t last = 0;  // the size of the last item, which a quantifier repeats
    };
    std::vector<Level> levels(1);
    for (size_t i = 0; i < length; ++i) {
        Level* level = &levels.back();
        size_t item = 1;
        switch (rule[i]) {
            case L'\\':
                ++i;
                break;
            case L'[':
                i = BracketEnd(rule, length, i);
                if (i == 0) return false;
                break;
            case L'(':
                if (levels.size() > kMaxNameRuleDepth) return false;
                if (i + 1 < length && rule[i + 1] == L'?') i += 2;  // (?: (?= (?!
                levels.emplace_back();
                continue;
            case L')':
                if (levels.size() == 1) return false;
                item = levels.back().size + 2;
                levels.pop_back();
                level = &levels.back();
                break;
            case L'|':
                level->size += 1;
                level->last = 0;
                continue;
            case L'*':
            case L'+':
            case L'?':
            case L'{': {
                unsigned copies = 1;
                if (rule[i] == L'{') {
                    unsigned largest = 0;
                    if (!ReadRepeat(rule, length, i, &largest, &i)) return false;
                    copies = largest + 1;
                }
                if (i + 1 < length && rule[i + 1] == L'?') ++i;  // lazy
                // A second quantifier repeats the first one's result again.
                const size_t repeated = level->last * copies + 2;
                level->size = level->size - level->last + repeated;
                level->last = repeated;
                if (level->size > kMaxNameRuleSize) return false;
                continue;
            }
            default:
                break;
        }
        level->size += item;
        level->last = item;
        if (level->size > kMaxNameRuleSize) return false;
    }
    return levels.size() == 1;
}

}  // namespace

bool CompileNameRule(const wchar_t* rule, size_t length, std::wregex* out) {
    if (!IsBoundedRule(rule, length)) return false;
    try {
        out->assign(rule, length, std::regex_constants::ECMAScript | std::regex_constants::__polynomial);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

bool NameMatchesRule(const WString& rule, const WString& name) {
    if (name.GetLength() > kMaxNameLength) return false;
    std::wregex pattern;
    if (!CompileNameRule(rule.GetString(), static_cast<size_t>(rule.GetLength()), &pattern)) return false;
    try {
        return std::regex_match(name.GetString(), name.GetString() + name.GetLength(), pattern);
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace trelm
