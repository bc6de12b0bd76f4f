#include "common/Crc32.h"
#include "model/PageDoc.h"
