// The tree classifier's settings, at their values before the options are read.
#include "settings.h"

int16_t TRACE = 0;
int32_t KNN = 0;
std::optional<std::string> GRAPH_PATH;
