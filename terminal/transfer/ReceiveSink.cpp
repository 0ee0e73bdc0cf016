#include "terminal/transfer/ReceiveSink.h"

ReceiveSink::~ReceiveSink() {}
