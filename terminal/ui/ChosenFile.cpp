#include "terminal/ui/ChosenFile.h"

#include "util/FileRequest.h"
#include "util/P_File.h"

namespace {

const char allFilesSave[] = "All Files (*.*)\0*.*\0";
const char allFilesOpen[] = "All Files (*.*)\0\0";
const char *const allExtensions[] = {".*", nullptr};
const char logFiles[] = "Log Files (*.log)\0*.log\0All Files (*.*)\0*.*\0";
const char *const logExtensions[] = {".log", ".*", nullptr};

} // namespace

ChosenFile::ChosenFile(HWND ownerWnd, Use how) : owner(ownerWnd), use(how), dialog(ownerWnd) {}

bool ChosenFile::choose()
{
    if (use == toAppend) {
        FileRequest request = {0, logExtensions, logFiles, FileRequest::appendMode};
        return dialog.execute(request);
    }
    FileRequest request = {0, allExtensions, use == toWrite ? allFilesSave : allFilesOpen,
                           use == toWrite ? uint32_t(FileRequest::saveMode) : uint32_t(FileRequest::openMode)};
    return dialog.execute(request);
}

P_File *ChosenFile::open()
{
    if (use == toAppend)
        return nullptr;
    P_File *file = new P_File(dialog.getFileName(), use == toWrite ? P_File::create : P_File::readOnly);
    if (file->open())
        return file;
    delete file;
    if (use == toWrite)
        tellNotOpened();
    return nullptr;
}

void ChosenFile::tellNotOpened() const
{
    MessageBoxA(owner, "Unable to creat File", "Error on file", MB_ICONERROR);
}
