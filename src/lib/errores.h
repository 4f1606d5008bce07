// El único punto donde un Fallo o una excepción de C++ se convierte en excepción de Python.
#pragma once

#include "ref.h"

#include <exception>
#include <new>

#include "core/fallo.h"

namespace glifador::py {

/// Lanza el Fallo como excepción de Python y devuelve nullptr.
PyObject* lanzar(const Fallo& fallo);

/// Error de conversión de un argumento (TypeError u OverflowError) con texto propio.
bool error_argumento(PyObject* tipo, const char* texto);

/// Ejecuta el cuerpo de un enlace sin dejar escapar ninguna excepción de C++.
template <class F>
PyObject* envolver(F&& cuerpo) noexcept {
    try {
        return cuerpo();
    } catch (const std::bad_alloc&) {
        return PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyErr_Format(PyExc_RuntimeError, "error interno de glifador: %s", e.what());
    } catch (...) {
        PyErr_SetString(PyExc_RuntimeError, "error interno de glifador");
    }
    return nullptr;
}

/// Cuerpo de un enlace con argumentos posicionales y por nombre.
using Cuerpo = PyObject* (*)(PyObject* args, PyObject* kwargs);

/// La función que ve Python: el cuerpo dentro de `envolver`.
template <Cuerpo C>
PyObject* enlace(PyObject*, PyObject* args, PyObject* kwargs) noexcept {
    return envolver([&] { return C(args, kwargs); });
}

/// Entrada de la tabla del módulo para un enlace con argumentos por nombre.
template <Cuerpo C>
PyMethodDef definir(const char* nombre, const char* documentacion) {
    return {nombre, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(&enlace<C>)),
            METH_VARARGS | METH_KEYWORDS, documentacion};
}

}  // namespace glifador::py
