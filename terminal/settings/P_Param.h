#ifndef TERMINAL_P_PARAM_H
#define TERMINAL_P_PARAM_H

#include <windows.h>
#include <cstdint>

#include "comm/CommExtras.h"
#include "comm/CommSettings.h"
#include "comm/PortPresence.h"
#include "terminal/settings/Options.h"
#include "terminal/settings/lineFields.h"
#include "res/resource.h"
#include "win/ButtonImages.h"
#include "win/PDialog.h"

// The communication settings dialog (template 5), run modally with execute.
// It edits the five line fields of the caller's settings word and the send
// delay; the caller stores and applies the result.
//
// execute answers 1 after "&OK": the word holds the chosen line fields (the
// other bits kept) and the delay the field's value. It answers 2 after
// "&Cancel", Esc or the close box: the delay is unchanged and so is the word,
// unless "&Default Setting" was pressed, which writes the default word into
// it at once.
class P_Param : public PDialog
{
public:
    P_Param(CommSettings *settings, uint32_t *delay, PWin *parent, int templateId = IDD_SETTINGS,
            HINSTANCE module = nullptr);
    ~P_Param() override;

    bool create() override;
    LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Fills every combo box from its table and selects the word's entry.
    void fillCombos();
    // Selects the first item whose text equals label (case-sensitive); no
    // item, or a null label, leaves the box without selection.
    void selectByText(HWND combo, const char *label);
    // The position among the first count items of the item whose text equals
    // the box's current text; 0 when none does.
    unsigned selectedIndex(HWND combo, unsigned count);
    // Stores the selections into the word and the delay field into the delay.
    void readBack();

    // The combo box showing a line field.
    static int comboFor(LineField field);

    // What the word cannot say (a port beyond COM16, a flow control that
    // raises the idle lines): edited here and kept by the caller. Without
    // it the dialog keeps its own, starting from none.
    void useExtras(CommExtras *extras) { extrasPtr = extras ? extras : &ownExtras; }
    // The "Transfer" list edits *transfer (a TransferProtocol) too; set it
    // before execute. Without it the list shows "Raw" and stores nothing.
    void setTransfer(uint32_t *transfer) { transferPtr = transfer; }
    // The further fields (line end, DTR and RTS at open, pulse, break, the
    // pause that ends a line, the folder for received files) edit *options;
    // set it before execute. Without it they show the defaults and store
    // nothing.
    void setOptions(Options *options) { optionsPtr = options; }

    // Every number field in range; otherwise the first that is not is
    // named in a warning, gets the focus and false is returned (the dialog
    // stays). An empty delay or pause counts as 0, as the delay always did.
    bool validate();
    // Asks for the folder of "Receive into", starting in the one the field
    // names (else the last folder used); a folder chosen goes into the field.
    void pickFolder();

protected:
    CommSettings *settingsPtr;
    uint32_t *delayPtr;
    ButtonImages images;       // the three button bitmaps

private:
    void fillCombo(HWND combo, LineField field);
    // COM1 to COM8, then the present ports beyond them and the word's own
    // port, present or not, in number order; each item's data its number.
    void fillPortCombo(HWND combo);
    void fillFlowCombo(HWND combo);
    void readBackPortAndFlow();

    CommExtras ownExtras;
    CommExtras *extrasPtr;
    PortPresence ports;        // looked up each time the dialog opens
    void fillTransferList();
    void selectTransfer(uint32_t protocol);
    void readTransfer();

    uint32_t *transferPtr = nullptr;

    void fillOptions(const Options &shown);
    // "&Default Setting": every further field at its default but the folder.
    void resetOptionFields();
    void fillOnOff(int id, bool on);
    void readOptions();
    // The field's number when it holds one that passes valid (empty counts
    // as 0 where emptyAllowed); false otherwise, value unchanged.
    bool fieldNumber(int id, bool (*valid)(uint32_t), bool emptyAllowed, uint32_t &value);

    Options *optionsPtr = nullptr;
};

#endif
