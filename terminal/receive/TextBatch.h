#ifndef TERMINAL_TEXTBATCH_H
#define TERMINAL_TEXTBATCH_H

#include <cstdint>

// Text collected for one append to the receive view, so that a render costs
// the view one append however many pieces its layout puts.
//
// Growth never throws: it reserves ahead geometrically and, when the
// allocator gives nothing (or the batch reaches its limit), keeps what it
// holds untouched and takes nothing more until clear(): what it holds is
// always a beginning of what was put, so a render cut short shows a true
// start. refused() tells the render to stop.
class TextBatch
{
public:
    TextBatch() = default;
    ~TextBatch();
    TextBatch(const TextBatch &) = delete;
    TextBatch &operator=(const TextBatch &) = delete;

    // Room ahead for `chars` characters in all; false when refused (the
    // batch still takes pieces, growing as it goes).
    bool reserve(uint64_t chars);
    // false when the piece could not be taken, now or before.
    bool add(const char *text, uint32_t length);
    // The characters taken, then a NUL.
    const char *text() const { return data ? data : ""; }
    uint32_t length() const { return used; }
    bool refused() const { return full; }
    // Empty again, taking pieces again; the storage stays for the next render.
    void clear();

    // The most characters a batch holds before it counts as refused, as if
    // memory had run out; used to provoke a refusal without exhausting it.
    void setLimit(uint32_t chars) { most = chars; }

private:
    bool makeRoom(uint64_t slots);
    enum : uint32_t { minimumGrowth = 4096 };

    char *data = nullptr;     // owned; capacity slots
    uint32_t used = 0;
    uint32_t capacity = 0;
    uint32_t most = UINT32_MAX - 1;
    bool full = false;
};

#endif
