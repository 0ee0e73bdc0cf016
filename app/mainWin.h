#ifndef APP_MAINWIN_H
#define APP_MAINWIN_H

#include "app/PMainWin.h"

class mainClient;

// The frame "Line Talk by QV": a fixed-size window without minimise and
// maximise boxes that holds the terminal dialog and sizes itself around it.
class mainWin : public PMainWin
{
public:
    explicit mainWin(HINSTANCE module);
    ~mainWin() override;

    bool create() override;
    const char *className() override;

    mainClient *getClient() const { return client; }

protected:
    // The terminal dialog; the child list owns it.
    mainClient *client;
};

#endif
