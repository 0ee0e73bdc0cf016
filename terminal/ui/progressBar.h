#ifndef TERMINAL_PROGRESSBAR_H
#define TERMINAL_PROGRESSBAR_H

#include <windows.h>
#include <cstdint>
#include <memory>

#include "res/resource.h"
#include "win/ButtonImages.h"
#include "win/PDialog.h"

// The modeless progress dialog (template 2) that a long operation on the
// window thread drives: it reports the amount done with update and pumps the
// queue between steps, which is what lets a click on "&Abort" reach it.
//
// Calling pattern: construct; show; UpdateWindow; pumpMessages; then per unit
// of work update and, while it answers true, pumpMessages; delete at the end.
class progressBar : public PDialog
{
public:
    // format holds two "%d" (done, total) and is copied.
    progressBar(PWin *parent, const char *format, uint32_t total, COLORREF barColor,
                int templateId = IDD_PROGRESS, int param = 0);
    ~progressBar() override;

    // The dialog of a file being sent, "Sending file..." and the bytes sent
    // of size, shown and painted; firstText, when given, stands in the text
    // until the first update.
    static std::unique_ptr<progressBar> showSending(PWin *parent, uint32_t size, const char *firstText = nullptr);

    // A new piece of work under the same dialog (the next file of a batch):
    // its format (copied; two "%d" at most, done and total, "%%" for a
    // percent sign) and its 100 percent value.
    void retarget(const char *format, uint32_t newTotal);

    // Shows the dialog; false when its window could not be made.
    bool show();
    // Moves the bar and rewrites the text; false at once once aborted.
    bool update(uint32_t done);
    bool isAborted() const { return aborted; }

    bool preTranslate(MSG *msg) override;
    LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    bool aborted;            // "&Abort" pressed or the window went away
    char *formatText;        // owned copy of the format
    uint32_t total;          // the 100 percent value
    COLORREF barColor;
    ButtonImages images;     // the Abort button's bitmap
    HWND prevFocus;          // the focus before show

private:
    void abort();
    int barUnits(uint32_t amount) const;
};

#endif
