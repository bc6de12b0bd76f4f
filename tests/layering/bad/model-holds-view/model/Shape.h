#pragma once
#include <QObject>

void Select(QObject* view);
