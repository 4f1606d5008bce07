// El módulo glifador: inicialización en varias fases, sin estado propio.
#include "funciones.h"

namespace glifador::py {
namespace {

int ejecutar(PyObject* modulo) {
    if (PyModule_AddStringConstant(modulo, "__version__", "0.3.3") < 0) return -1;
    PyMethodDef funciones[] = {DEF_DIBUJAR,    DEF_ANALIZAR, DEF_ANIMAR, DEF_A_SVG,
                               DEF_REPRODUCIR, DEF_CLI,      {nullptr, nullptr, 0, nullptr}};
    // PyModule_AddFunctions guarda punteros a cada PyMethodDef: la tabla debe vivir siempre.
    static PyMethodDef tabla[sizeof(funciones) / sizeof(funciones[0])];
    for (std::size_t i = 0; i < sizeof(funciones) / sizeof(funciones[0]); ++i) tabla[i] = funciones[i];
    return PyModule_AddFunctions(modulo, tabla);
}

PyModuleDef_Slot ranuras[] = {
    {Py_mod_exec, reinterpret_cast<void*>(&ejecutar)},
    {0, nullptr},
};

PyModuleDef definicion = {
    PyModuleDef_HEAD_INIT,
    "glifador",
    "",
    0,
    nullptr,
    ranuras,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace
}  // namespace glifador::py

PyMODINIT_FUNC PyInit_glifador(void) { return PyModuleDef_Init(&glifador::py::definicion); }
