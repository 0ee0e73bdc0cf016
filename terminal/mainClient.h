#ifndef TERMINAL_MAINCLIENT_H
#define TERMINAL_MAINCLIENT_H

#include <windows.h>
#include <cstdint>

#include "res/resource.h"
#include "terminal/send/ByteFieldsView.h"
#include "terminal/send/CommandKeys.h"
#include "terminal/send/SendBox.h"
#include "terminal/CommandQueue.h"
#include "terminal/TerminalStatus.h"
#include "terminal/ui/StatusText.h"
#include "terminal/transfer/FileTransfer.h"
#include "terminal/transfer/TransferLock.h"
#include "terminal/port/LineControl.h"
#include "terminal/port/PortControl.h"
#include "terminal/port/PortKeeper.h"
#include "terminal/receive/HistoryFiles.h"
#include "terminal/receive/ReceiveSession.h"
#include "terminal/ui/Tooltips.h"
#include "terminal/find/ViewFinder.h"
#include "util/ArrivalTimes.h"
#include "util/PVect.h"
#include "win/ButtonImages.h"
#include "win/PModDialog.h"

class PCom;

// The terminal: the modeless dialog (template 1) that fills the frame. It owns
// the control objects bound to its items, the shared "courier" font and the
// pale yellow brush of its edits and the button bitmaps, and routes every
// command to its operation. What arrives (ReceiveSession), the port
// (PortControl), the byte fields (ByteFieldsView), the file transfer
// (FileTransfer), Find and the tooltips are jobs of their own that it owns;
// it tells the operator what they report.
class mainClient : public PModDialog
{
public:
    mainClient(PWin *parent, HINSTANCE module);
    ~mainClient() override;

    bool create() override;
    bool preTranslate(MSG *msg) override;
    LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Colours of the edits: black on pale yellow like the receive view.
    // Returns the brush for WM_CTLCOLOREDIT, 0 (default colouring) otherwise.
    virtual HBRUSH onCtlColor(HDC dc, HWND control, UINT message);

    // Port state. The port is open exactly when currentPort() is not null.
    bool togglePort();            // false only when an open failed
    bool ensurePortOpen();           // true when a port is open afterwards
    void updatePortButton() { line.updateButton(); }
    // The settings dialog; stores and applies its result.
    void editSettings();

    bool isPortOpen() const { return line.port() != nullptr; }
    // The port was lost and is being waited for.
    bool isWaitingForPort() const { return line.isWaiting(); }
    bool isTransferring() const { return transfer.isRunning(); }
    PCom *currentPort() const { return line.port(); }
    uint32_t getSendDelay() const { return line.sendDelay(); }

    // The frame's status bar listens here (null: nobody); not owned.
    void setStatusListener(TerminalStatus *listener) { status = listener; }
    // What the status bar shows, as it is now.
    StatusFacts statusFacts() const;
    uint64_t receivedCount() const { return session.lineBytes(); }   // since the last Clear
    uint64_t sentCount() const { return line.sent(); }   // since the port opened

    // The frame's menu bar. Each command does what its button, check box or
    // view-menu item does, and like a click waits for an update of the view
    // under way; each query says whether that button or item is available
    // or checked now.
    void commandSendFile() { click(IDC_SENDFILE); }
    void commandReceiveFile() { click(IDM_FILE_RECEIVE); }
    // "Start &ZMODEM by Itself", checked while sz or rz at the far end start a transfer.
    void commandZmodemAutoStart() { transfer.autoStart().setOn(!transfer.autoStart().isOn()); }
    bool startsZmodemByItself() const { return transfer.autoStart().isOn(); }
    void commandSave() { click(IDC_SAVE); }
    void commandCapture() { clickCheckBox(IDC_CAPTURE); }
    void commandLog() { click(IDM_FILE_LOG); }
    bool isLogging() const { return session.log().isOn(); }
    // As "&Done": the terminal goes, and the program with it.
    void commandExit() { if (hwnd) DestroyWindow(hwnd); }
    void commandCopy() { session.view().text().copy(); }
    void commandSelectAll() { session.view().text().selectAll(); }
    void commandFind() { finder.openDialog(); }
    void commandFindAgain(bool reverse) { finder.findAgain(reverse, session.showsHex()); }
    void commandClear() { click(IDC_CLEAR); }
    void commandHex() { clickCheckBox(IDC_SHOWHEX); }
    void commandTime() { click(IDM_VIEW_SHOWTIME); }
    void commandColours() { click(IDM_VIEW_COLOURS); }
    bool showsColours() const { return session.showsColours(); }
    void commandSent() { click(IDM_VIEW_SHOWSENT); }
    bool showsSent() const { return session.showsSent(); }
    void commandRules() { click(IDM_VIEW_RULES); }
    void commandPort() { click(IDC_OPENCOMM); }
    void commandSettings() { click(IDC_SETUP); }
    bool sendsEnabled() const;
    bool hasReceived() const { return session.received().count() > 1; }
    bool viewHasText() const { return viewWindow() && session.view().viewLength() != 0; }
    bool viewHasSelection() const { return session.view().text().hasSelection(); }
    bool isCapturing() const { return session.isCapturing(); }
    bool showsHex() const { return session.showsHex(); }
    // The line's own signals, for the menu and the status bar.
    LineControl &lineSignals() { return signals; }
    const LineControl &lineSignals() const { return signals; }
    // The stored commands, F1 to F12. A row's key or menu item and the
    // "Commands" dialog wait for an update of the view as a click does, and
    // are refused during a transfer.
    void commandStoredRow(uint32_t row) { click(IDM_SEND_ROW + int(row)); }
    void commandEditCommands() { click(IDM_SEND_COMMANDS); }
    CommandKeys &commandKeys() { return keys; }
    const CommandKeys &commandKeys() const { return keys; }

    // For tests and benchmarks, which look inside and set limits that memory
    // alone sets otherwise.
    const PortKeeper &portKeeper() const { return line.keeper(); }
    // The receive history (the received bytes and a NUL) and the hex lines
    // in the view.
    const PVect<unsigned char> &received() const { return session.received(); }
    uint32_t hexLines() const { return session.view().hexLines(); }
    // The characters the receive view keeps (its scrollback); the history
    // keeps everything. Takes effect with the next bytes shown.
    void setViewLimit(uint32_t chars) { session.view().setLimit(chars); }
    uint32_t viewLimit() const { return session.view().limit(); }
    // The most bytes the history keeps before it counts as full, as if
    // memory had run out.
    void setHistoryLimit(uint32_t bytes) { session.history().setLimit(bytes); }
    uint32_t historyLimit() const { return session.history().limit(); }
    // The most characters one render of the view may collect, as if memory
    // ran out there.
    void setRenderLimit(uint32_t chars) { session.view().setRenderLimit(chars); }
    // When the bytes of the history arrived.
    const ArrivalTimes &arrivalTimes() const { return session.arrivalTimes(); }
    // Every line of the view begins with the time its first byte arrived.
    bool showsTime() const { return session.showsTime(); }
    // The waits of the XMODEM family, shorter than a receiver needs.
    void setProtocolTiming(const XmodemSender::Timing &timing) { transfer.setProtocolTiming(timing); }

    // The data path: receiving, sending, file transfer, saving.
    void onCommData(WPARAM count);
    void clearReceived();
    void toggleHex();
    void toggleTime() { turnViewChoice(&ReceiveSession::showTime, &ReceiveSession::showsTime); }
    void toggleColours() { turnViewChoice(&ReceiveSession::showColours, &ReceiveSession::showsColours); }
    void toggleSent() { turnViewChoice(&ReceiveSession::showSent, &ReceiveSession::showsSent); }
    void toggleCapture();
    // Where a send comes from: the send box or the byte fields.
    using SendSource = SendBox::Source;
    void sendInput(SendSource from);
    // All of data to the port (whose control is the one road to the line),
    // with the pause after each byte when useDelay; false when the port is
    // closed or a write fell short.
    bool sendBytes(const unsigned char *data, uint32_t count, bool useDelay) { return line.send(data, count, useDelay); }
    // A file sent or received (job) while the transfer owns the line.
    void runTransfer(void (*job)(FileTransfer &));
    void saveReceived() { files.save(); }

protected:
    HFONT textFont;                 // owned; the send box, the view, the byte fields
    HBRUSH editBrush;               // owned; 0x00CFFFFF
    ButtonImages images;            // the seven button bitmaps

private:
    HWND viewWindow() const { return session.view().window(); }
    // The drain stops between chunks for a command that waits.
    class WaitingCommands : public ReceiveSession::Waiting
    {
    public:
        explicit WaitingCommands(const CommandQueue &queue) : queue(queue) {}
        bool waiting() const override { return !queue.empty(); }

    private:
        const CommandQueue &queue;
    };
    // The stored commands go to the line through the send box's own road,
    // behind the same gate as "&String".
    class CommandLine : public CommandKeys::Sender
    {
    public:
        explicit CommandLine(mainClient &c) : c(c) {}
        bool lineTaken() const override { return c.lineTaken(); }
        bool updating() const override { return c.session.isBusy(); }
        bool ensurePortOpen() override { return c.ensurePortOpen(); }
        void sendCommand(const unsigned char *bytes, uint32_t count) override
        {
            if (c.sendBox.sendComposed(bytes, count) == SendBox::failed)
                c.writeFailed();
        }

    private:
        mainClient &c;
    };
    // The pseudo command of a deferred PWM_EDITENTER.
    enum { deferredEditEnter = -1 };

    struct Command
    {
        int id;
        void (*run)(mainClient &);
    };
    static const Command commands[];
    // One stream at a time on the line: a file transfer, a write the line
    // still holds or a paced send owns it until it ends.
    bool lineTaken() const { return transfer.isRunning() || line.isWriting() || sendBox.isRunning(); }
    static const Command *findCommand(int id);
    void runCommand(int id);
    void onCommand(WPARAM wParam);
    void click(int id);
    void clickCheckBox(int id);
    void tellStatus();
    bool onTimer(WPARAM id);
    bool deferWhileBusy(int id, intptr_t arg);
    void runDeferred();
    void afterBusy();
    void failCapture();
    void turnViewChoice(void (ReceiveSession::*set)(bool), bool (ReceiveSession::*isOn)() const);
    void onPortLost();
    void writeFailed();

    PortControl line;            // the port, its waiting and its button
    CommandQueue deferred;       // commands that came while the session was busy
    WaitingCommands waits;       // deferred, as the drain asks after it
    ReceiveSession session;      // what arrives: the view, the history, the capture
    ByteFieldsView byteFields;   // the four views of the byte to send
    SendBox sendBox;             // what "&String" and "&Byte" send; recall
    HistoryFiles files;          // Save and Capture to File
    FileTransfer transfer;       // sends a file; owns the line meanwhile
    LineControl signals{line};   // its DTR, RTS, break, input lamps and errors
    Tooltips tooltips;           // of the buttons and check boxes
    ViewFinder finder;           // Find in the receive view
    TransferLock lock{transfer, finder};  // the dialog greyed around a transfer
    CommandLine commandLine{*this};
    CommandKeys keys{commandLine, line};  // F1 to F12, their dialog and repeats
    TerminalStatus *status = nullptr;  // the frame's status bar; not owned
};

#endif
