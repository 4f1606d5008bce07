// cli(): sys.argv a ejecutar_cli, y su acción a los descriptores 1 y 2 y al código de salida.
#include "cli.h"
#include "errores.h"
#include "funciones.h"
#include "reproduccion.h"

#include <unistd.h>

namespace glifador::py {
namespace {

/// sys.argv sin el nombre del programa, cada str con los bytes que dio el sistema
/// (codificación del sistema de archivos), para que una ruta que no es UTF-8 siga abriendo.
bool leer_argv(std::vector<std::string>& args) {
    Ref sys = Ref::robar(PyImport_ImportModule("sys"));
    if (!sys) return false;
    Ref argv = Ref::robar(PyObject_GetAttrString(sys.get(), "argv"));
    if (!argv) return false;
    if (PyUnicode_Check(argv.get()) || !PySequence_Check(argv.get()))
        return error_argumento(PyExc_TypeError, "sys.argv debe ser una lista de str");
    const Py_ssize_t n = PySequence_Size(argv.get());
    if (n < 0) return false;
    for (Py_ssize_t i = 1; i < n; ++i) {
        Ref item = Ref::robar(PySequence_GetItem(argv.get(), i));
        if (!item) return false;
        if (!PyUnicode_Check(item.get())) return error_argumento(PyExc_TypeError, "sys.argv debe ser una lista de str");
        Ref bytes = Ref::robar(PyUnicode_EncodeFSDefault(item.get()));
        if (!bytes) return false;
        char* datos;
        Py_ssize_t largo;
        if (PyBytes_AsStringAndSize(bytes.get(), &datos, &largo) < 0) return false;
        args.emplace_back(datos, static_cast<std::size_t>(largo));
    }
    return true;
}

bool atender_senales() { return PyErr_CheckSignals() == 0; }

/// Un resultado que no llega a la salida estándar no es un éxito.
PyObject* imprimir(std::string texto) {
    texto += '\n';
    if (const int e = escribir_todo(STDOUT_FILENO, texto)) {
        PyErr_SetString(PyExc_OSError, texto_error_sistema(e).c_str());
        return nullptr;
    }
    return PyLong_FromLong(0);
}

PyObject* reproducir(const Reproducir& r) {
    if (!intervalo_valido(r.intervalo)) {
        PyErr_SetString(PyExc_ValueError, TEXTO_INTERVALO);
        return nullptr;
    }
    const FotogramasPreparados p = preparar_fotogramas(r.fotogramas, r.colores);
    if (!reproducir_fotogramas(p, r.intervalo, r.veces)) {
        // Ctrl+C es la forma normal de acabar una animación sin fin.
        if (!PyErr_ExceptionMatches(PyExc_KeyboardInterrupt)) return nullptr;
        PyErr_Clear();
    }
    return PyLong_FromLong(0);
}

PyObject* cuerpo() {
    std::vector<std::string> args;
    if (!leer_argv(args)) return nullptr;
    Accion accion = ejecutar_cli(args, &atender_senales);
    if (auto* i = std::get_if<Imprimir>(&accion)) return imprimir(std::move(i->texto));
    if (auto* r = std::get_if<Reproducir>(&accion)) return reproducir(*r);
    if (std::holds_alternative<Interrumpida>(accion)) return nullptr;
    const Error& e = std::get<Error>(accion);
    if (e.mensaje.empty()) return imprimir(std::string(AYUDA));
    // Si ni siquiera la salida de error admite el aviso, el código 2 es lo único que queda.
    (void)escribir_todo(STDERR_FILENO, linea_de_error(e.mensaje));
    return PyLong_FromLong(2);
}

PyObject* cli_py(PyObject*, PyObject*) {
    return envolver([&] { return cuerpo(); });
}

}  // namespace

const PyMethodDef DEF_CLI = {
    "cli", &cli_py, METH_NOARGS,
    "cli()\n--\n\n"
    "Punto de entrada del script `glifador`. Devuelve el código de salida."};

}  // namespace glifador::py
