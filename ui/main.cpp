// SPDX-License-Identifier: MIT
#include "ui/ViewerStartup.h"

int main(int argc, char** argv)
{
    return quillet::ui::runViewer(argc, argv);
}
