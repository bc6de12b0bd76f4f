#include "model/DrawObj.h"
