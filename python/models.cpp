// The models the Python module applies.
#include "models.h"
