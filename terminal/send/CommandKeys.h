#ifndef TERMINAL_COMMANDKEYS_H
#define TERMINAL_COMMANDKEYS_H

#include <windows.h>

#include <cstdint>

#include "terminal/send/LineEnd.h"
#include "terminal/send/RepeatSchedule.h"
#include "terminal/send/StoredCommands.h"

class PortControl;
class PWin;

// F1 to F12: the stored commands, kept in the registry ("Commands"), edited
// in the "Commands" dialog, sent by their keys and Send menu items, and
// repeated on a timer of the terminal's window while their interval says so.
//
// A key whose row has no text is not taken (F3 stays Find Next until a
// command is stored there). A repeat ends with its key pressed again, with
// stopRepeating, and when the port it started on closes or is lost: a
// repeat never reaches a port opened later. A repeat that falls due while
// the line still holds the previous write, or a transfer owns the line, is
// skipped; one that falls due while the view is being updated goes out as
// soon as the update ends, once.
class CommandKeys
{
public:
    // What the keys need of the terminal, which sends for them as the send
    // box sends its text.
    class Sender
    {
    public:
        // A transfer, a write or a paced send owns the line now.
        virtual bool lineTaken() const = 0;
        // The view is being updated (a command now would land inside it).
        virtual bool updating() const = 0;
        // The port is open afterwards (asked for as for the send box).
        virtual bool ensurePortOpen() = 0;
        // The bytes of a command to the line, shown and counted as sent.
        virtual void sendCommand(const unsigned char *bytes, uint32_t count) = 0;

    protected:
        ~Sender() = default;
    };

    static const UINT_PTR repeatTimer = 0x4C5C;
    enum : uint32_t { rows = StoredCommands::rows };

    CommandKeys(Sender &sender, const PortControl &line) : sender(sender), line(line) {}
    ~CommandKeys();
    CommandKeys(const CommandKeys &) = delete;
    CommandKeys &operator=(const CommandKeys &) = delete;

    // The window whose timer drives the repeats (not owned); the stored
    // commands are read now.
    void attach(HWND timerWindow);
    // The "Commands" dialog over parent; what it keeps is stored. A row
    // that repeats and was changed stops.
    void edit(PWin *parent);

    // The key or the menu item of a row (0: F1).
    void press(uint32_t row);
    void stopRepeating();
    bool repeating(uint32_t row) const { return live() && schedule.repeating(row); }
    bool anyRepeating() const { return live() && schedule.anyRepeating(); }
    bool hasText(uint32_t row) const { return commands.hasText(row); }
    // The Send menu's item of a row with a text: "NAME\tF1".
    enum : uint32_t { labelSize = StoredCommands::menuLabelSize };
    uint32_t menuLabel(uint32_t row, char *out) const { return commands.menuLabel(row, out); }
    // The row of an unmodified F1 to F12 pressed (a key held down counts
    // once), when that row has a text; -1 otherwise.
    int rowOfKey(const MSG *msg) const;

    // The repeat timer; false for any other.
    bool onTimer(WPARAM id);

    const StoredCommands &stored() const { return commands; }

private:
    // The repeats belong to the port they started on.
    bool live() const;
    void forgetDeadRepeats();
    uint64_t now();
    void send(uint32_t row);
    void arm(uint64_t at);
    void rearm();
    void store();

    Sender &sender;
    const PortControl &line;
    HWND window = nullptr;
    StoredCommands commands;
    RepeatSchedule schedule;
    uint32_t generation = 0;   // of the port the repeats started on
    bool timerOn = false;
    uint64_t clock = 0;        // the tick count, run on across its wrap
    DWORD lastTick = 0;
    // A command's bytes: the longest text with a line end after each line.
    unsigned char out[LineEnd::outputBound(StoredCommands::maxText)];
};

#endif
