#ifndef TERMINAL_MAINCLIENT_H
#define TERMINAL_MAINCLIENT_H

#include <windows.h>
#include <cstdint>

#include "terminal/send/ByteFieldsView.h"
#include "terminal/CommandQueue.h"
#include "terminal/transfer/FileTransfer.h"
#include "terminal/port/LineControl.h"
#include "terminal/port/PortControl.h"
#include "terminal/port/PortKeeper.h"
#include "terminal/receive/ReceiveRenderer.h"
#include "terminal/ui/Tooltips.h"
#include "terminal/find/ViewFinder.h"
#include "util/ArrivalTimes.h"
#include "terminal/transfer/TransferHost.h"
#include "util/ByteHistory.h"
#include "util/PVect.h"
#include "win/ButtonImages.h"
#include "win/PModDialog.h"

class ChunkTimes;
class PCom;
class P_File;
class progressBar;
class ReceiveTap;

// The terminal: the modeless dialog (template 1) that fills the frame. It owns
// the control objects bound to its items, the shared "courier" font and the
// pale yellow brush of its edits, the button bitmaps and the capture file,
// receives into the history and the view, and routes every command to its
// operation. The port (PortControl), the byte fields (ByteFieldsView), the
// file transfer (FileTransfer) and the tooltips are jobs of their own that
// it owns.
class mainClient : public PModDialog, private TransferHost
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
    bool togglePort() { return line.toggle(); }          // false only when an open failed
    bool ensurePortOpen() override { return line.ensureOpen(); }  // true when a port is open afterwards
    void updatePortButton() { line.updateButton(); }
    // The settings dialog; stores and applies its result.
    void editSettings() { line.editSettings(sendDelay); }

    bool isPortOpen() const { return line.port() != nullptr; }
    // The port was lost and is being waited for.
    bool isWaitingForPort() const { return line.isWaiting(); }
    bool isTransferring() const { return transfer.isRunning(); }
    PCom *currentPort() const { return line.port(); }
    // The line's own signals, for the menu and the status bar.
    LineControl &lineSignals() { return signals; }
    uint32_t getSendDelay() const override { return sendDelay; }

    // For tests and benchmarks, which look inside and set limits that memory
    // alone sets otherwise.
    const PortKeeper &portKeeper() const { return line.keeper(); }
    // The receive history (the received bytes and a NUL) and the hex lines
    // in the view.
    const PVect<unsigned char> &received() const { return rxBuffer; }
    uint32_t hexLines() const { return renderer.hexLines(); }
    // The characters the receive view keeps (its scrollback); the history
    // keeps everything. Takes effect with the next bytes shown.
    void setViewLimit(uint32_t chars) { renderer.setLimit(chars); }
    uint32_t viewLimit() const { return renderer.limit(); }
    // The most bytes the history keeps before it counts as full, as if
    // memory had run out.
    void setHistoryLimit(uint32_t bytes) { history.setLimit(bytes); }
    uint32_t historyLimit() const { return history.limit(); }
    // When the bytes of the history arrived.
    const ArrivalTimes &arrivalTimes() const { return arrivals; }
    // Every line of the view begins with the time its first byte arrived.
    bool showsTime() const { return renderer.showsTime(); }
    // The waits of the XMODEM family, shorter than a receiver needs.
    void setProtocolTiming(const XmodemSender::Timing &timing) { transfer.setProtocolTiming(timing); }

    // The data path: receiving, sending, file transfer, saving.
    void onCommData(WPARAM count);
    void clearReceived();
    void toggleHex();
    void toggleTime();
    void toggleCapture();
    // Where a send comes from: the text of the send box ("&String", Enter
    // in the box) or the byte of the byte fields ("&Byte", Enter in a field).
    enum class SendSource { sendBox, byteFields };
    void sendInput(SendSource from);
    // The one road to the port: all of data, with the pause after each byte
    // when useDelay; false when the port is closed or a write fell short.
    // The "&Abort" of abortedBy, when given, also ends a write the line holds.
    bool sendBytes(const unsigned char *data, uint32_t count, bool useDelay,
                   const progressBar *abortedBy = nullptr) override;
    uint32_t decodeEscapes(char *text);
    void sendFile();
    // While set, received bytes pass the tap first; only what it hands back
    // is shown, captured and kept. Null: none.
    void setReceiveTap(ReceiveTap *tap) override { receiveTap = tap; }
    void saveReceived();
    // Into the receive view, which the renderer holds (`view` is that view).
    // withProgress: show the progress dialog (re-renders of the history).
    // times: when the bytes came, for the times shown before the lines (null:
    // now).
    void appendText(HWND /*view*/, const unsigned char *data, uint32_t length, bool withProgress = true,
                    ByteTimes *times = nullptr)
    {
        renderer.appendText(data, length, withProgress, times);
    }
    void appendHex(HWND /*view*/, const unsigned char *data, uint32_t length, uint32_t textLength,
                   bool withProgress = true, ByteTimes *times = nullptr)
    {
        renderer.appendHex(data, length, textLength, withProgress, times);
    }

protected:
    HFONT textFont;                 // owned; the send box, the view, the byte fields
    HBRUSH editBrush;               // owned; 0x00CFFFFF
    PVect<unsigned char> rxBuffer;  // every byte received since the last clear, then a NUL
    ButtonImages images;            // the seven button bitmaps
    P_File *captureFile;            // owned; null when not capturing
    uint32_t sendDelay;             // ms between bytes on send ("DelayOnSend")
    unsigned char showHex;          // the view shows hex lines

private:
    class BusyScope;
    friend class BusyScope;
    // The pseudo command of a deferred PWM_EDITENTER.
    enum { deferredEditEnter = -1 };

    struct Command
    {
        int id;
        void (*run)(mainClient &);
    };
    static const Command commands[];
    static const Command *findCommand(int id);
    void runCommand(int id);
    void onCommand(WPARAM wParam);
    bool onTimer(WPARAM id);
    static SendSource sourceOf(int editId);
    bool deferWhileBusy(int id, intptr_t arg);
    void runDeferred();
    void afterBusy();
    HWND viewWindow() const { return renderer.window(); }
    bool onFindKey(const MSG *msg);
    void extendViewMenu(HMENU menu);
    void reportHistoryFull();
    void renderHistory();
    void addTimeItem(HMENU viewMenu);
    const unsigned char *passTap(const unsigned char *chunk, DWORD &n, unsigned char *shown, ChunkTimes &times);
    void keepArrivals(const unsigned char *data, uint32_t kept, const ChunkTimes &times);
    void endCapture();
    void failCapture();
    void onPortLost();
    void writeFailed();
    PWin &transferWindow() override { return *this; }
    void setSendsEnabled(bool on) override;

    ByteHistory history;         // how rxBuffer grows, and when it cannot
    ArrivalTimes arrivals;       // when the bytes of rxBuffer arrived
    ReceiveRenderer renderer;    // renders into the receive view
    ByteFieldsView byteFields;   // the four views of the byte to send
    FileTransfer transfer;       // sends a file; owns the line meanwhile
    uint32_t busyDepth;          // drains and renders under way
    CommandQueue deferred;       // commands that came while busy
    PortControl line;            // the port, its waiting and its button
    LineControl signals{line};   // its DTR, RTS, break, input lamps and errors
    Tooltips tooltips;           // of the buttons and check boxes
    ViewFinder finder;           // Find in the receive view
    ReceiveTap *receiveTap = nullptr;  // a protocol transfer's, while it runs
};

#endif
