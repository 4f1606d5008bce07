// Fallo → excepción de Python: OSError para la E/S de la imagen, ValueError para lo demás.
#include "errores.h"

namespace glifador::py {

static PyObject* con_mensaje(PyObject* tipo, const std::string& texto) {
    Ref msg = Ref::robar(PyUnicode_FromStringAndSize(texto.data(), static_cast<Py_ssize_t>(texto.size())));
    if (msg) PyErr_SetObject(tipo, msg.get());
    return nullptr;
}

PyObject* lanzar(const Fallo& f) {
    if (f.tipo == TipoFallo::ImagenIlegible && f.entrada_salida) return con_mensaje(PyExc_OSError, f.texto);
    return con_mensaje(PyExc_ValueError, mensaje(f));
}

bool error_argumento(PyObject* tipo, const char* texto) {
    PyErr_SetString(tipo, texto);
    return false;
}

}  // namespace glifador::py
