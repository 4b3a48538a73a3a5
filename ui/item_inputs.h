#pragma once

#include "schedule/schedule_document.h"

namespace zelvaro::ui {

// The inputs of one item as the window holds them.
using ItemInputs = batch::RowInputs;

} // namespace zelvaro::ui
