// A folder that is in no layer: refused until it is given its place.
#include "core/form.h"
