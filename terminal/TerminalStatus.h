#ifndef TERMINAL_TERMINALSTATUS_H
#define TERMINAL_TERMINALSTATUS_H

// Who shows what the terminal is doing (the frame's status bar) hears of it
// here; the terminal knows nothing else of it. It asks mainClient::statusFacts
// for the facts themselves.
class TerminalStatus
{
public:
    // The port opened, closed, was lost or came back, its settings changed,
    // a capture began or ended, the history was cleared or filled: shown at
    // once.
    virtual void statusChanged() = 0;
    // Bytes came in or went out: the counts may be shown later, at the
    // listener's own pace, as long as the last of them is shown in the end.
    virtual void countsMoved() = 0;

protected:
    ~TerminalStatus() = default;
};

#endif
