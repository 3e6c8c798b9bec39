// The player's rule for offline nicknames (the "offline_name_regex"
// setting): an ECMAScript expression that a name must match whole.
// std::wregex compiles by recursion and matches by backtracking, so a
// hand-edited rule could overflow the stack (a group nested 30,000 deep) or
// spin for minutes ("^(a|a)*$" against 31 letters). A rule is taken only
// when it is short, shallow and small once its counted repetitions are
// spelt out, and it is matched by the library's polynomial engine, which
// refuses back-references; a rule refused here is dropped like one that
// does not compile.
#pragma once

#include <cstddef>
#include <regex>

#include "core/WString.h"

namespace trelm {

// Longest rule taken, in UTF-16 units.
constexpr size_t kMaxNameRuleLength = 256;
// Deepest nesting of groups.
constexpr size_t kMaxNameRuleDepth = 16;
// Largest count of a counted repetition ({n}, {n,}, {n,m}).
constexpr unsigned kMaxNameRuleRepeat = 256;
// Largest size of the rule with every counted repetition spelt out, in
// characters, classes and groups: about the states the engine builds, and so
// the stack and time a match may take.
constexpr size_t kMaxNameRuleSize = 1000;
// Longest name matched; a longer one never matches.
constexpr int kMaxNameLength = 256;

// Compiles rule into *out; false when it is refused or does not compile.
bool CompileNameRule(const wchar_t* rule, size_t length, std::wregex* out);
// Whether rule accepts the whole of name; false for a refused rule.
bool NameMatchesRule(const WString& rule, const WString& name);

}  // namespace trelm
