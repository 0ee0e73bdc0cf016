#include "terminal/transfer/TransferMachine.h"

TransferMachine::~TransferMachine() {}
