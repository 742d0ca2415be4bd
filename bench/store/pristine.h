// The realistic generated pair (seed 1), loaded once with its first box, for every store
// benchmark to copy from.
#pragma once
#include "message_store.h"

const MessageStore& Pristine();
