#include "common/Crc32.h"
#include "model/ObjectKind.h"
#include <QString>
