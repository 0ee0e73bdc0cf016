#ifndef WIN_PEDIT_H
#define WIN_PEDIT_H

#include "win/PControl.h"

class PFilter;

// Posted to an edit's dialog when Enter is typed in a PEditSend field;
// wParam is the field's identifier.
constexpr UINT PWM_EDITENTER = WM_APP + 0x63;

// Key strokes synthesised through the system's input queue.
void pressKey(BYTE vk);
void releaseKey(BYTE vk);
// Modifier down, then the key down and up repeat + 1 times (once for 0 or
// less), then the modifier up.
void pressKeyWithModifier(BYTE vk, BYTE modifier, int repeat);
void pressShiftKey(BYTE vk);

// A dialog's edit item with an input filter, a text limit, and Enter, Down
// and Up moving the focus like Tab and Shift+Tab.
class PEdit : public PControl
{
public:
    PEdit(PWin *parent, int id, int textLimit);
    ~PEdit() override;

    bool create() override;
    const char *className() override;
    LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

    // A further key the edit claims from the dialog manager; 0 = none.
    virtual BYTE extraDialogKey();
    // Hooks on the item's messages: true consumes the message, false lets
    // it on to the item with the (possibly changed) value.
    virtual bool onKeyDown(WPARAM &key);
    virtual bool onKeyUp(WPARAM &key);
    virtual bool onChar(WPARAM &ch);

    // Takes ownership of f (null allowed); the previous filter is deleted
    // unless it is f itself. Attached at once when the window exists.
    void setFilter(PFilter *f);
    PFilter *getFilter() const { return filter; }

    int textLimit;

protected:
    // Selects the whole text, so that the next entry replaces it.
    void selectAll();

private:
    PFilter *filter;
};

#endif
