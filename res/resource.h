#ifndef LINETALK_RES_RESOURCE_H
#define LINETALK_RES_RESOURCE_H
// Resource identifiers shared by the resource script and the code.

// Bitmaps and icon

#define IDI_LINETALK 1

// Dialogs and controls

#endif
