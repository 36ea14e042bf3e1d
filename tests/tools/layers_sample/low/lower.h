// The lower layer, reaching up.
#pragma once
#include "high/upper.h"
