#ifndef TERMINAL_LINEHIGHLIGHT_H
#define TERMINAL_LINEHIGHLIGHT_H

#include <cstdint>

#include "terminal/receive/HighlightRules.h"

// Where LineHighlight lights a line: [from, to) of the view takes the
// background of rule colour `colour`.
class LinePainter
{
public:
    virtual void paint(uint32_t from, uint32_t to, unsigned colour) = 0;

protected:
    ~LinePainter() = default;
};

// The highlight rules applied to the receive view as its text grows: a line
// lights as soon as a rule's text is in it (an operator watching for ERROR
// sees it when it comes, not when its line ends), and the lighting grows
// with the line. A rule that comes earlier in the list and matches later in
// the line takes the line over: the first rule that matches wins.
//
// Only what is new is looked at, with a rule's length of overlap, so a long
// line costs no more than a short one. The time before a line (Show Time) is
// not looked into. A line ends at an LF, or a CR that no LF follows, as the
// view breaks lines; a CR at the end of the text waits for what follows.
class LineHighlight
{
public:
    LineHighlight() { reset(); }

    void setRules(const HighlightRules &r) { list = r; }
    const HighlightRules &rules() const { return list; }
    bool active() const { return list.count() != 0; }

    // The view emptied: the next character begins a line.
    void reset();
    // Nothing before `length` is judged: text the rules cannot read.
    void skipTo(uint32_t length)
    {
        lineStart = checked = painted = length;
        current = -1;
    }
    // The first `chars` characters of the view went.
    void cutHead(uint32_t chars);
    // The view's text is now text[0..length): what came since the last scan
    // is judged. Lines begin with `prefix` characters not looked into.
    // ends, when given, holds what text[from..length) stands for with its
    // line ends (a render that shows them as dots): lines end where it has
    // them.
    void scan(const char *text, uint32_t length, uint32_t prefix, LinePainter &painter,
              const char *ends = nullptr, uint32_t from = 0);

private:
    void judge(const char *text, uint32_t to, uint32_t prefix, LinePainter &painter);

    HighlightRules list;
    uint32_t lineStart;   // where the line under way begins
    uint32_t checked;     // judged up to here
    uint32_t painted;     // the line is lit up to here
    int current;          // the rule the line is lit by, -1: none
};

#endif
