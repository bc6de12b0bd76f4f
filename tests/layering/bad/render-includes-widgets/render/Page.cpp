#include <QString>
#include <QWidget>
