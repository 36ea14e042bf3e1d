// The upper layer.
#pragma once
#include "low/lower.h"
