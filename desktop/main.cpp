// keldra: the desktop application. One instance per session; it lives in the tray until the user quits.

#include "desktop/KeldraEntry.h"

int main(int argc, char** argv) {
    return keldra::keldraMain(argc, argv);
}
