// The compiled part of the `camrig` package.
#include "bind.h"

PYBIND11_MODULE(_camrig, m) {
    m.doc() = "camrig: camera geometry for vehicle surround-view systems";
    m.attr("__version__") = CAMRIG_VERSION;
    crBindRecords(m);
    crBindGeometry(m);
    crBindImages(m);
    crBindEngines(m);
    crBindToolkit(m);
}
