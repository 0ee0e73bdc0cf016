#ifndef COMM_LINESATOPEN_H
#define COMM_LINESATOPEN_H

// What DTR and RTS do when the port opens, for a line the flow control does
// not own: raised (as the port always did) or left low, so that a board
// that resets when a line rises can be watched from its first byte. Applied
// at every open; a line the flow control owns ignores it.
class LinesAtOpen
{
public:
    bool dtrOn = true;
    bool rtsOn = true;

    bool operator==(const LinesAtOpen &o) const { return dtrOn == o.dtrOn && rtsOn == o.rtsOn; }
    bool operator!=(const LinesAtOpen &o) const { return !(*this == o); }
};

#endif
