#ifndef TERMINAL_HIGHLIGHTRULES_H
#define TERMINAL_HIGHLIGHTRULES_H

#include <cstddef>
#include <cstdint>

// The lines that matter picked out: up to eight rules, each a text, whether
// its case must match, and one of eight background colours. A received line
// that holds a rule's text is shown on that rule's colour; the first rule
// that matches wins.
//
// The registry keeps the rules as one string, "HR1:" and then each rule as
// its case ('c' match case, 'i' not), its colour (a digit 0-7), the length
// of its text in two decimal digits and the text. A stored string that is
// not exactly that (a value the program did not write) is refused whole.
class HighlightRules
{
public:
    enum : size_t { maxRules = 8, maxText = 64, colourCount = 8 };
    // Room for the longest registry form, its NUL included.
    enum : size_t { registryChars = 4 + maxRules * (4 + maxText) + 1 };

    struct Rule
    {
        char text[maxText + 1];
        size_t length;
        bool matchCase;
        unsigned colour;
    };

    HighlightRules() : used(0) {}

    size_t count() const { return used; }
    const Rule &rule(size_t i) const { return rules[i]; }
    // false (and nothing added) when full, or the text is empty, longer
    // than maxText or holds a control character, or the colour is unknown.
    bool add(const char *text, size_t length, bool matchCase, unsigned colour);
    void clear() { used = 0; }

    // The first rule whose text the line holds; -1 when none does.
    int match(const char *line, size_t length) const;

    // The background of colour c (0x00BBGGRR): pale enough for black text.
    static uint32_t background(unsigned colour);
    // Its name in the rules dialog.
    static const char *colourName(unsigned colour);

    // The registry form, NUL-terminated; out holds registryChars. Returns
    // its length.
    size_t toRegistry(char *out) const;
    // Takes the rules from a stored string of `length` characters; false
    // (and the rules as they were) when it is not one this program writes.
    bool fromRegistry(const char *value, size_t length);

private:
    Rule rules[maxRules];
    size_t used;
};

#endif
