#include "tusin/z5DataTusin.h"
