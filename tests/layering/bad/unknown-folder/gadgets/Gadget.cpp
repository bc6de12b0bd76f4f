#include "common/Crc32.h"
