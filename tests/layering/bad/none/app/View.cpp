#include "model/ObjectKind.h"
#include "edit/CMyEdit.h"
#include <QWidget>
