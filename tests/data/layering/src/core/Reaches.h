// Reaches up from core/ into master/: refused.
#pragma once
#include <string>

#include "core/form.h"
#include "master/FrmMain.h"
