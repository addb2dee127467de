#include "app/ZandrelApp.h"

int main(int argc, char** argv) { return runZandrel(argc, argv); }
