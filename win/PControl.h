#ifndef WIN_PCONTROL_H
#define WIN_PCONTROL_H

#include "win/PWin.h"

// A control object standing for the item id of its parent dialog's template.
// It is attached to the item when the dialog creates its children; when its
// class is a system class the item is subclassed and bound, so the item's
// messages reach the object. It may carry a font, owned or borrowed.
class PControl : public PWin
{
public:
    PControl(PWin *parent, int id);
    ~PControl() override;

    bool create() override;
    const char *className() override;
    // Gives the control a font (null = the dialog's). An owned font is
    // deleted when it is replaced or when the control goes.
    virtual void setFont(HFONT newFont, bool owned);

    HFONT font;
    bool ownsFont;

private:
    void sendFont();
};

#endif
