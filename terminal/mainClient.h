#ifndef TERMINAL_MAINCLIENT_H
#define TERMINAL_MAINCLIENT_H

#include <windows.h>
#include <cstdint>

#include "terminal/CommandQueue.h"
#include "terminal/PortKeeper.h"
#include "terminal/ReceiveRenderer.h"
#include "util/ByteHistory.h"
#include "util/PVect.h"
#include "win/PModDialog.h"

class PBitmap;
class PCom;
class P_File;

// The terminal: the modeless dialog (template 1) that fills the frame. It owns
// the control objects bound to its items, the shared "courier" font and the
// pale yellow brush of its edits, the button bitmaps, the tooltips, the open
// port and the capture file, and routes every command to its operation.
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

    // Port state. The port is open exactly when `port` is not null.
    bool togglePort();        // false only when an open failed
    bool ensurePortOpen();    // true when a port is open afterwards
    void updatePortButton();
    void editSettings();      // the settings dialog; stores and applies its result

    bool isPortOpen() const { return port != nullptr; }
    // The port was lost and is being waited for.
    bool isWaitingForPort() const { return keeper.isWaiting(); }
    const PortKeeper &portKeeper() const { return keeper; }
    // The receive history (the received bytes and a NUL) and the hex lines
    // in the view, for those who look from outside.
    const PVect<unsigned char> &received() const { return rxBuffer; }
    uint32_t hexLines() const { return renderer.hexLines(); }
    bool isTransferring() const { return transferring; }
    PCom *currentPort() const { return port; }
    uint32_t getSendDelay() const { return sendDelay; }
    // The characters the receive view keeps (its scrollback); the history
    // keeps everything. Takes effect with the next bytes shown.
    void setViewLimit(uint32_t chars) { renderer.setLimit(chars); }
    uint32_t viewLimit() const { return renderer.limit(); }
    // The most bytes the history keeps before it counts as full, as if
    // memory had run out (for tests; memory is the only limit otherwise).
    void setHistoryLimit(uint32_t bytes) { history.setLimit(bytes); }
    uint32_t historyLimit() const { return history.limit(); }

    // The data path: receiving, sending, file transfer, saving.
    void onCommData(WPARAM count);
    void clearReceived();
    void toggleHex();
    void toggleCapture();
    void sendInput(int kind);     // 0: the send box, 1: the byte fields
    bool sendBytes(const unsigned char *data, uint32_t count, bool useDelay);
    uint32_t decodeEscapes(char *text);
    void syncByteFields(int id);
    uint32_t readByteField(int id);
    void writeByteField(int id, uint32_t value);
    void sendFile();
    void saveReceived();
    // Into the receive view, which the renderer holds (`view` is that view).
    // withProgress: show the progress dialog (re-renders of the history).
    void appendText(HWND view, const unsigned char *data, uint32_t length, bool withProgress = true);
    void appendHex(HWND view, const unsigned char *data, uint32_t length, uint32_t textLength,
                   bool withProgress = true);

protected:
    HFONT textFont;                 // owned; the send box, the view, the byte fields
    HBRUSH editBrush;               // owned; 0x00CFFFFF
    HWND toolTip;                   // the tooltip control, or null
    PVect<unsigned char> rxBuffer;  // every byte received since the last clear, then a NUL
    PVect<PBitmap *> images;        // the seven button bitmaps, owned
    PCom *port;                     // owned; null while closed
    P_File *captureFile;            // owned; null when not capturing
    uint32_t sendDelay;             // ms between bytes on send ("DelayOnSend")
    unsigned char showHex;          // the view shows hex lines

private:
    void addTooltips();

    class BusyScope;
    friend class BusyScope;
    // The pseudo command of a deferred PWM_EDITENTER.
    enum { deferredEditEnter = -1 };

    static bool isCommand(int id);
    void runCommand(int id);
    bool deferWhileBusy(int id, intptr_t arg);
    void runDeferred();
    void afterBusy();
    HWND viewWindow() const;
    void appendReceived(const unsigned char *data, uint32_t count);
    void reportHistoryFull();
    void renderHistory();
    void endCapture();
    void failCapture();
    void setSendButtonsEnabled(bool on);
    void transferFile();
    void onPortLost();
    void retryPort();
    void writeFailed();

    ByteHistory history;         // how rxBuffer grows, and when it cannot
    ReceiveRenderer renderer;    // renders into the receive view
    uint32_t busyDepth;          // drains and renders under way
    bool transferring;           // a file transfer owns the line
    CommandQueue deferred;       // commands that came while busy
    PortKeeper keeper;           // brings a lost port back
    // Writing one byte field raises EN_CHANGE in the others: one update at a time.
    static bool syncingFields;
};

#endif
