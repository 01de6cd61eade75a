#include "common/fortran_format.hpp"
