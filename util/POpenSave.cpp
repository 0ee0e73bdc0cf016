#include "util/POpenSave.h"

#include <commdlg.h>

#include <cstddef>

#include "util/FileNames.h"

// The 32-bit product hands the dialog the 76-byte record.
static_assert(sizeof(void *) != 4 || offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "pre-2000 OPENFILENAME record");

namespace {

uint32_t entryCount(const char *const *extensions)
{
    uint32_t n = 0;
    while (extensions && extensions[n])
        ++n;
    return n;
}

} // namespace

POpenSave::POpenSave(HWND owner) : ownerWnd(owner)
{
    fileName[0] = 0;
}

POpenSave::~POpenSave() {}

void POpenSave::beforeDialog() {}

void POpenSave::afterDialog() {}

bool POpenSave::runDialog(FileRequest &request, DWORD *reportedFilter)
{
    OPENFILENAMEA ofn;
    ZeroMemory(&ofn, sizeof ofn);
    // The pre-2000 record: no places bar, the layout every version knows.
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = ownerWnd;
    ofn.lpstrFilter = request.filterText;
    ofn.lpstrFile = fileName;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_EXPLORER | OFN_LONGNAMES;
    // Without an initial folder the system prefers the folder this program
    // used last (its own recently-used list) over the current directory;
    // naming the current directory makes the dialog start there, which is
    // what beforeDialog arranges.
    char start[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryA(sizeof start, start);
    if (n > 0 && n < sizeof start)
        ofn.lpstrInitialDir = start;
    bool ok = false;
    if (request.dialogMode == FileRequest::openMode) {
        ofn.Flags |= OFN_FILEMUSTEXIST;
        ok = GetOpenFileNameA(&ofn) != FALSE;
    } else if (request.dialogMode == FileRequest::saveMode || request.dialogMode == FileRequest::appendMode) {
        ofn.nFilterIndex = request.filterIndex + 1;
        if (request.dialogMode == FileRequest::saveMode)
            ofn.Flags |= OFN_OVERWRITEPROMPT;
        ok = GetSaveFileNameA(&ofn) != FALSE;
    }
    fileName[MAX_PATH - 1] = 0;
    *reportedFilter = ofn.nFilterIndex;
    return ok;
}

bool POpenSave::fixUpName(FileRequest &request, DWORD reportedFilter)
{
    const char *ext = fileExtension(fileName);
    if (*ext) {
        int match = matchExtension(ext, request.extensions);
        if (match >= 0)
            request.filterIndex = uint32_t(match);
        return true;
    }
    // An opened file must have an extension.
    if (request.dialogMode == FileRequest::openMode)
        return false;
    if (reportedFilter > 0)
        request.filterIndex = reportedFilter - 1;
    if (request.filterIndex >= entryCount(request.extensions))
        return true;
    // "All Files" has the pattern ".*" for its extension: appended, it would
    // make a name that no file system creates ("log.*"), so the name stays
    // as typed.
    if (hasWildcard(request.extensions[request.filterIndex]))
        return true;
    // A name that would not fit with its extension is refused rather than
    // cut: a cut name is not the file the user asked for.
    return appendExtension(fileName, sizeof fileName, request.extensions[request.filterIndex]);
}

bool POpenSave::execute(FileRequest &request)
{
    char saved[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryA(sizeof saved, saved);
    bool haveSaved = n > 0 && n < sizeof saved;
    beforeDialog();
    fileName[0] = 0;
    DWORD reportedFilter = 0;
    bool ok = runDialog(request, &reportedFilter);
    if (ok) {
        // The system's dialog leaves the current directory in the folder of
        // the chosen file, except Wine's when a full path into another folder
        // is typed; make it so here, for afterDialog to find.
        char chosenFolder[MAX_PATH];
        if (folderOf(fileName, chosenFolder, sizeof chosenFolder))
            SetCurrentDirectoryA(chosenFolder);
        ok = fixUpName(request, reportedFilter);
    }
    afterDialog();
    if (haveSaved)
        SetCurrentDirectoryA(saved);
    return ok;
}
