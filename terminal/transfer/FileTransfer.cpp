#include "terminal/transfer/FileTransfer.h"

#include <memory>

#include "terminal/ui/ChosenFile.h"
#include "terminal/transfer/ProtocolReceive.h"
#include "terminal/transfer/ProtocolTransfer.h"
#include "terminal/settings/Settings.h"
#include "terminal/port/PortControl.h"
#include "terminal/receive/SentNotes.h"
#include "terminal/ui/progressBar.h"
#include "util/P_File.h"
#include "win/PMessagePump.h"
#include "win/PWin.h"

namespace {

const uint32_t fileChunkBytes = 512;

} // namespace

FileTransfer::FileTransfer(PortControl &port, PWin &window, SentNotes &sent)
    : line(port), owner(window), notes(sent), running(false)
{
}

void FileTransfer::run()
{
    if (running)
        return;
    setRunning(true);
    transfer(chosenProtocol());
    setRunning(false);
}

void FileTransfer::sendByZmodem()
{
    if (running)
        return;
    setRunning(true);
    transfer(TransferProtocol::zmodem);
    setRunning(false);
}

void FileTransfer::receive()
{
    if (running)
        return;
    setRunning(true);
    receiveInto(chosenProtocol(), nullptr, 0);
    setRunning(false);
}

void FileTransfer::receiveStarted(const unsigned char *start, uint32_t count)
{
    if (running)
        return;
    setRunning(true);
    receiveInto(TransferProtocol::zmodem, start, count);
    setRunning(false);
}

void FileTransfer::setRunning(bool now)
{
    running = now;
    farEnd.holdOff(now);
}

void FileTransfer::runFarEndStart()
{
    const unsigned char *bytes = nullptr;
    uint32_t count = 0;
    ZmodemStart::Found found = farEnd.take(bytes, count);
    if (found == ZmodemStart::Found::sender)
        receiveStarted(bytes, count);
    else if (found == ZmodemStart::Found::receiver)
        sendByZmodem();
}

void FileTransfer::receiveInto(TransferProtocol protocol, const unsigned char *start, uint32_t count)
{
    if (protocol == TransferProtocol::raw) {
        MessageBoxA(owner.hwnd,
                    "Raw bytes carry no file to receive.\r\n"
                    "Choose XMODEM, XMODEM-1K, YMODEM or ZMODEM as \"Transfer\" in the settings.",
                    "Receive File", MB_ICONINFORMATION);
        return;
    }
    if (!line.ensureOpen())
        return;
    char folder[MAX_PATH];
    bool haveFolder = receiveFolderInUse(folder, sizeof folder);
    if (!haveFolder)
        folder[0] = '\0';
    // XMODEM carries no name: the operator gives one, in the save dialog
    // that starts in the folder received files go to.
    if (protocol == TransferProtocol::xmodem || protocol == TransferProtocol::xmodem1k) {
        ChosenFile chosen(owner.hwnd, ChosenFile::toWrite);
        if (haveFolder)
            chosen.startIn(folder);
        if (!chosen.choose())
            return;
        ProtocolReceive(line, owner, protocol, folder, chosen.path()).run();
        return;
    }
    if (!haveFolder) {
        MessageBoxA(owner.hwnd, "No folder to receive into.\r\nName one as \"Receive into\" in the settings.",
                    "Receive File", MB_ICONWARNING);
        return;
    }
    ProtocolReceive(line, owner, protocol, folder, nullptr).run(start, count);
}

void FileTransfer::transfer(TransferProtocol protocol)
{
    if (!line.ensureOpen())
        return;
    ChosenFile chosen(owner.hwnd, ChosenFile::toRead);
    if (!chosen.choose())
        return;
    std::unique_ptr<P_File> file(chosen.open());
    if (!file)
        return;
    // The block protocols send an empty file too: the receiver is waiting
    // for it. They pace themselves, so the pause after each byte is not asked.
    if (protocol != TransferProtocol::raw) {
        notes.sentFile(file->getName(), file->getSize());
        ProtocolTransfer(line, owner, *file, protocol, protocolTiming).run();
        return;
    }
    if (file->getSize() == 0)
        return;
    bool useDelay = false;
    if (!askDelay(useDelay))
        return;
    notes.sentFile(file->getName(), file->getSize());
    sendAll(*file, useDelay);
}

// As set in the settings dialog, read at each transfer like the line settings.
TransferProtocol FileTransfer::chosenProtocol()
{
    return transferProtocolFrom(loadTransfer());
}

// Whether the pause after each byte applies to a file too; false when the
// operator cancelled the transfer.
bool FileTransfer::askDelay(bool &useDelay)
{
    if (line.sendDelay() == 0)
        return true;
    int answer = MessageBoxA(owner.hwnd, "Delay is not null!\r\nDo you want to use it anywhere?", "Warning",
                             MB_YESNOCANCEL | MB_ICONERROR);
    if (answer == IDCANCEL)
        return false;
    useDelay = answer == IDYES;
    return true;
}

// Chunk by chunk under the progress dialog, letting the queue through after
// each, until every byte went out, a write failed or "&Abort" was pressed;
// the outcome is said while the dialog is still up.
void FileTransfer::sendAll(P_File &file, bool useDelay)
{
    uint32_t size = file.getSize();
    std::unique_ptr<progressBar> bar = progressBar::showSending(&owner, size);
    PMessagePump::pumpWaiting();
    uint32_t remaining = size;
    unsigned char buffer[fileChunkBytes];
    while (remaining > 0) {
        uint32_t k = file.read(buffer, remaining < fileChunkBytes ? remaining : fileChunkBytes);
        if (k == 0 || !line.send(buffer, k, useDelay, bar.get()))
            break;
        remaining -= k;
        if (!bar->update(size - remaining))
            break;
        PMessagePump::pumpWaiting();
    }
    if (remaining == 0)
        MessageBoxA(owner.hwnd, "File Transfered", "Success", MB_ICONINFORMATION);
    else
        MessageBoxA(owner.hwnd, "Transfer aborted\r\nFile may be corrupted!", "Error", MB_ICONERROR);
}
