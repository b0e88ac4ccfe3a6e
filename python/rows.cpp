// Rows given by a caller, converted into examples.
#include "rows.h"
