#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "terminal/receive/AnsiParser.h"

namespace {

// What a parse shows: the text with its attributes, neighbours of one
// attribute joined, so that a parse in pieces compares with one in one go.
struct Shown : AnsiSink
{
    struct Piece
    {
        std::string text;
        TextAttr attr;
    };
    std::vector<Piece> pieces;
    void text(const char *t, size_t n, const TextAttr &a) override
    {
        if (!pieces.empty() && pieces.back().attr == a)
            pieces.back().text.append(t, n);
        else
            pieces.push_back({std::string(t, n), a});
    }
    std::string plain() const
    {
        std::string s;
        for (const Piece &p : pieces)
            s += p.text;
        return s;
    }
    // The attribute of the first character of `what` in the text.
    TextAttr attrOf(const std::string &what) const
    {
        for (const Piece &p : pieces)
            if (p.text.find(what) != std::string::npos)
                return p.attr;
        ADD_FAILURE() << "not shown: " << what;
        return TextAttr();
    }
    bool operator==(const Shown &o) const
    {
        if (pieces.size() != o.pieces.size())
            return false;
        for (size_t i = 0; i < pieces.size(); ++i)
            if (pieces[i].text != o.pieces[i].text || pieces[i].attr != o.pieces[i].attr)
                return false;
        return true;
    }
};

Shown parse(const std::string &s)
{
    AnsiParser p;
    Shown out;
    p.feed(reinterpret_cast<const unsigned char *>(s.data()), s.size(), out);
    return out;
}

TextAttr attr(uint32_t fg, uint32_t bg = TextAttr::viewColour, uint8_t flags = 0)
{
    TextAttr a;
    a.fg = fg;
    a.bg = bg;
    a.flags = flags;
    return a;
}

uint32_t rgb(unsigned r, unsigned g, unsigned b)
{
    return r | g << 8 | b << 16;
}

const uint32_t view = TextAttr::viewColour;

} // namespace

TEST(AnsiParser, EachSgrFormSetsTheAttributeOfWhatFollows)
{
    struct Case
    {
        const char *sgr;
        TextAttr expected;
    };
    const Case cases[] = {
        {"31", attr(rgb(205, 0, 0))},
        {"37", attr(rgb(229, 229, 229))},
        {"90", attr(rgb(127, 127, 127))},
        {"97", attr(rgb(255, 255, 255))},
        {"42", attr(view, rgb(0, 205, 0))},
        {"104", attr(view, rgb(92, 92, 255))},
        {"38;5;208", attr(rgb(255, 135, 0))},
        {"48;5;21", attr(view, rgb(0, 0, 255))},
        {"38;5;244", attr(rgb(128, 128, 128))},
        {"38;5;3", attr(rgb(205, 205, 0))},
        {"38;2;10;20;30", attr(rgb(10, 20, 30))},
        {"48;2;255;128;0", attr(view, rgb(255, 128, 0))},
        {"1", attr(view, view, TextAttr::bold)},
        {"4", attr(view, view, TextAttr::underline)},
        {"7", attr(view, view, TextAttr::reverse)},
        {"1;4;7;22", attr(view, view, TextAttr::underline | TextAttr::reverse)},
        {"1;4;7;24;27", attr(view, view, TextAttr::bold)},
        {"31;42;39", attr(view, rgb(0, 205, 0))},
        {"31;42;49", attr(rgb(205, 0, 0))},
        {"31;1;0", TextAttr()},
        {"31;", TextAttr()},  // the empty parameter after the ; is a 0
        {"", TextAttr()},
        {"01;34", attr(rgb(0, 0, 238), view, TextAttr::bold)},
        // Unknown parameters are passed over; what follows them counts.
        {"3;5;53;31", attr(rgb(205, 0, 0))},
        {"38;5;300;32", attr(rgb(0, 205, 0))},
        {"38;2;1;2;999;32", attr(rgb(0, 205, 0))},
        // A colour form cut short ends the sequence's effect there.
        {"32;38;2;1", attr(rgb(0, 205, 0))},
        {"38:5:196", attr(rgb(255, 0, 0))},
    };
    for (const Case &c : cases) {
        Shown s = parse(std::string("\x1b[33mA\x1b[0mB\x1b[") + c.sgr + "mtext");
        EXPECT_EQ(s.plain(), "ABtext") << c.sgr;
        EXPECT_TRUE(s.attrOf("text") == c.expected) << c.sgr << ": fg " << std::hex << s.attrOf("text").fg << " bg "
                                                     << s.attrOf("text").bg << " flags " << int(s.attrOf("text").flags);
    }
}

TEST(AnsiParser, OtherSequencesShowAsNothingAndChangeNoColour)
{
    const char *sequences[] = {
        "\x1b[K", "\x1b[2J", "\x1b[12;40H", "\x1b[?25l", "\x1b[>0c", "\x1b[1 q", "\x1b[38;5;1$m",
        "\x1b]0;title\x07", "\x1b]8;;http://x\x1b\\", "\x1bPdata\x1b\\", "\x1b(B", "\x1b)0", "\x1b=", "\x1b" "7",
        "\x1b" "c",
    };
    for (const char *seq : sequences) {
        Shown s = parse(std::string("\x1b[32mgreen") + seq + "still");
        EXPECT_EQ(s.plain(), "greenstill") << seq + 1;
        EXPECT_TRUE(s.attrOf("still") == attr(rgb(0, 205, 0))) << seq + 1;
    }
}

TEST(AnsiParser, ABrokenOrEndlessSequenceShowsAsItCame)
{
    // A control byte inside a CSI breaks it off: shown, then read as text.
    EXPECT_EQ(parse("a\x1b[12\r\nb").plain(), "a\x1b[12\r\nb");
    EXPECT_EQ(parse("a\x1b\nb").plain(), "a\x1b\nb");
    // An ESC in an OSC that is no terminator starts a sequence of its own.
    EXPECT_EQ(parse("\x1b]0;t\x1b[31mred").plain(), "red");
    // Past 64 bytes with no end: the 64 are text, and the rest goes on as text.
    std::string endless = "\x1b[" + std::string(100, '1');
    EXPECT_EQ(parse(endless + "x").plain(), endless + "x");
    std::string osc = "\x1b]" + std::string(100, 'z');
    EXPECT_EQ(parse(osc).plain(), osc);
    // 64 bytes still make a sequence.
    std::string longest = "\x1b[" + std::string(58, '0') + ";32m";
    ASSERT_EQ(longest.size(), 64u);
    EXPECT_EQ(parse(longest + "g").plain(), "g");
    EXPECT_TRUE(parse(longest + "g").attrOf("g") == attr(rgb(0, 205, 0)));
}

// Every way of cutting a stream in two gives what the stream gives whole.
TEST(AnsiParser, ASequenceCutBetweenChunksIsCarriedOver)
{
    const std::string stream = "pre\x1b[01;38;2;1;2;3mtrue\x1b]0;a title\x1b\\\x1b[K\x1b[48;5;196mbg\x1b(B\x1b[m"
                               "end\x1b]2;x\x07" "done\x1b[" + std::string(70, '9') + "tail";
    Shown whole = parse(stream);
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        for (size_t cut2 = cut; cut2 <= stream.size(); cut2 += 7) {
            AnsiParser p;
            Shown s;
            const unsigned char *d = reinterpret_cast<const unsigned char *>(stream.data());
            p.feed(d, cut, s);
            p.feed(d + cut, cut2 - cut, s);
            p.feed(d + cut2, stream.size() - cut2, s);
            ASSERT_TRUE(s == whole) << "cut at " << cut << " and " << cut2 << ": " << s.plain();
        }
    }
    EXPECT_EQ(whole.plain(), "pretruebgenddone\x1b[" + std::string(62, '9') + std::string(8, '9') + "tail");
}

namespace {

// What a real program prints, through sh; empty when it cannot run.
std::string run(const std::string &command)
{
    std::string out;
    FILE *p = popen(command.c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    pclose(p);
    return out;
}

struct TempFolder
{
    std::string path;
    TempFolder()
    {
        char templ[] = "/tmp/lt-ansi-XXXXXX";
        if (mkdtemp(templ))
            path = templ;
    }
    ~TempFolder()
    {
        if (!path.empty())
            run("rm -rf '" + path + "'");
    }
};

} // namespace

// The colours of ls, grep and printf as they print them: no escape byte
// shows, the text is what they print without colours, and each name has
// the colour the LS_COLORS or the sequence gave it.
TEST(AnsiParser, RealProgramsShowTheirTextInTheirColours)
{
    TempFolder dir;
    ASSERT_FALSE(dir.path.empty());
    ASSERT_EQ(mkdir((dir.path + "/adir").c_str(), 0755), 0);
    FILE *f = fopen((dir.path + "/run.sh").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("#!/bin/sh\necho ERROR here\necho fine\n", f);
    fclose(f);
    chmod((dir.path + "/run.sh").c_str(), 0755);
    ASSERT_EQ(symlink("run.sh", (dir.path + "/link").c_str()), 0);
    f = fopen((dir.path + "/plain.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    const std::string env = "cd '" + dir.path + "' && TERM=xterm-256color LC_ALL=C "
                            "LS_COLORS='di=01;34:ex=38;5;208:ln=38;2;10;20;30:fi=0' ";
    std::string ls = run(env + "ls --color=always -1");
    ASSERT_NE(ls.find('\x1b'), std::string::npos) << ls;
    Shown s = parse(ls);
    EXPECT_EQ(s.plain(), run(env + "ls --color=never -1"));
    EXPECT_EQ(s.plain().find('\x1b'), std::string::npos);
    EXPECT_TRUE(s.attrOf("adir") == attr(rgb(0, 0, 238), view, TextAttr::bold));
    EXPECT_TRUE(s.attrOf("run.sh") == attr(rgb(255, 135, 0)));
    EXPECT_TRUE(s.attrOf("link") == attr(rgb(10, 20, 30)));
    EXPECT_TRUE(s.attrOf("plain.txt").isDefault());

    std::string grep = run(env + "GREP_COLORS='mt=01;31' grep --color=always ERROR run.sh");
    ASSERT_NE(grep.find('\x1b'), std::string::npos) << grep;
    s = parse(grep);
    EXPECT_EQ(s.plain(), "echo ERROR here\n");
    EXPECT_TRUE(s.attrOf("ERROR") == attr(rgb(205, 0, 0), view, TextAttr::bold));
    EXPECT_TRUE(s.attrOf(" here").isDefault());

    std::string pf = run(env + "printf '\\033[4;93mA\\033[24;39;105mB\\033[38;5;46mC\\033[48;2;1;2;3mD\\033[0mE\\033[7mF'");
    s = parse(pf);
    EXPECT_EQ(s.plain(), "ABCDEF");
    EXPECT_TRUE(s.attrOf("A") == attr(rgb(255, 255, 0), view, TextAttr::underline));
    EXPECT_TRUE(s.attrOf("B") == attr(view, rgb(255, 0, 255)));
    EXPECT_TRUE(s.attrOf("C") == attr(rgb(0, 255, 0), rgb(255, 0, 255)));
    EXPECT_TRUE(s.attrOf("D") == attr(rgb(0, 255, 0), rgb(1, 2, 3)));
    EXPECT_TRUE(s.attrOf("E").isDefault());
    EXPECT_TRUE(s.attrOf("F") == attr(view, view, TextAttr::reverse));
}
