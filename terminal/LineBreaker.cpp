#include "terminal/LineBreaker.h"

LineBreaker::LineBreaker(uint32_t maxLine) : maxLine(maxLine ? maxLine : 1), run(0) {}

void LineBreaker::append(const char *text, uint32_t length, std::vector<char> &out)
{
    for (uint32_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            run = 0;
        } else {
            if (run == maxLine) {
                out.push_back('\r');
                out.push_back('\n');
                run = 0;
            }
            ++run;
        }
        out.push_back(c);
    }
}
