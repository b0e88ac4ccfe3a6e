// The models the Python module applies: a stored tree or a set of discriminant functions
// with their domain, read as the programs read them.
#pragma once
