// The program's icon: a reader with its antenna waves.
#pragma once

#include <QIcon>

QIcon AppIcon();
