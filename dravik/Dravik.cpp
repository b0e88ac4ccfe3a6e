#include "Dravik.h"

int16_t TRACE = 0;
int32_t KNN = 0;
