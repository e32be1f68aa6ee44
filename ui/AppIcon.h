// SPDX-License-Identifier: MIT
#pragma once
// The program's icon, at every size the resources carry.

#include <QIcon>

QIcon quilletIcon();
