#include "model/ObjectKind.h"
#include "app/edit/CMyEdit.h"
#include <QWidget>
