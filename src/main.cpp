#include "CApplicationApp.h"

int main(int argc, char** argv)
{
    kestrune::CApplicationApp app(argc, argv);
    return app.InitInstance();
}
