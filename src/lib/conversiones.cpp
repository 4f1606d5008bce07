// Conversiones de argumentos compartidas por todos los enlaces.
#include "conversiones.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "errores.h"

namespace glifador::py {

namespace {

bool desde_bytes(PyObject* o, Imagen& salida) {
    char* datos;
    Py_ssize_t n;
    if (PyBytes_AsStringAndSize(o, &datos, &n) < 0) return false;
    salida.bytes.assign(datos, datos + n);
    return true;
}

bool desde_bytearray(PyObject* o, Imagen& salida) {
    const char* datos = PyByteArray_AsString(o);
    const Py_ssize_t n = PyByteArray_Size(o);
    if (!datos || n < 0) return false;
    salida.bytes.assign(datos, datos + n);
    return true;
}

bool es_secuencia(PyObject* o) {
    if (PySequence_Check(o)) return true;
    Ref abc = Ref::robar(PyImport_ImportModule("collections.abc"));
    if (!abc) return false;
    Ref clase = Ref::robar(PyObject_GetAttrString(abc.get(), "Sequence"));
    if (!clase) return false;
    return PyObject_IsInstance(o, clase.get()) == 1;
}

/// Cada elemento, un entero de 0 a 255. Falso (sin excepción puesta) si alguno no lo es.
bool desde_secuencia(PyObject* o, Imagen& salida) {
    const Py_ssize_t n = PySequence_Size(o);
    if (n < 0) return false;
    // La longitud la declara el propio objeto: se reserva a medida que llegan los elementos,
    // no de una vez (un __len__ de miles de millones costaba gigas antes del primer error).
    salida.bytes.clear();
    salida.bytes.reserve(static_cast<std::size_t>(std::min<Py_ssize_t>(n, 1 << 16)));
    for (Py_ssize_t i = 0; i < n; ++i) {
        Ref item = Ref::robar(PySequence_GetItem(o, i));
        if (!item || !PyIndex_Check(item.get())) return false;
        Ref entero = Ref::robar(PyNumber_Index(item.get()));
        if (!entero) return false;
        const long v = PyLong_AsLong(entero.get());
        if (v == -1 && PyErr_Occurred()) return false;
        if (v < 0 || v > 255) return false;
        salida.bytes.push_back(static_cast<std::uint8_t>(v));
    }
    return true;
}

bool desde_ruta(PyObject* o, Imagen& salida) {
    Ref ruta = Ref::robar(PyOS_FSPath(o));
    if (!ruta || !PyUnicode_Check(ruta.get())) return false;
    Ref codificada = Ref::robar(PyUnicode_EncodeFSDefault(ruta.get()));
    if (!codificada) return false;
    char* datos;
    Py_ssize_t n;
    if (PyBytes_AsStringAndSize(codificada.get(), &datos, &n) < 0) return false;
    salida.tipo = Imagen::Tipo::Ruta;
    salida.ruta.assign(datos, static_cast<std::size_t>(n));
    return true;
}

bool es_bool_de_numpy(PyObject* o) {
    Ref tipo = Ref::robar(PyObject_Type(o));
    if (!tipo) return false;
    Ref modulo = Ref::robar(PyObject_GetAttrString(tipo.get(), "__module__"));
    Ref nombre = Ref::robar(PyObject_GetAttrString(tipo.get(), "__name__"));
    if (!modulo || !nombre || !PyUnicode_Check(modulo.get()) || !PyUnicode_Check(nombre.get())) {
        PyErr_Clear();
        return false;
    }
    return PyUnicode_CompareWithASCIIString(modulo.get(), "numpy") == 0 &&
           (PyUnicode_CompareWithASCIIString(nombre.get(), "bool_") == 0 ||
            PyUnicode_CompareWithASCIIString(nombre.get(), "bool") == 0);
}

bool error_tipo(const char* nombre, const char* esperado) {
    PyErr_Format(PyExc_TypeError, "%s debe ser %s", nombre, esperado);
    return false;
}

}  // namespace

float a_float32(double v) {
    // Por encima de FLT_MAX + medio ulp el redondeo da infinito; por debajo, FLT_MAX.
    constexpr double corte = 340282356779733661637539395458142568448.0;
    if (std::isnan(v)) return NAN;
    if (std::fabs(v) >= corte) return v > 0 ? INFINITY : -INFINITY;
    if (std::fabs(v) > FLT_MAX) return v > 0 ? FLT_MAX : -FLT_MAX;
    return static_cast<float>(v);
}

bool convertir_imagen(PyObject* o, Imagen& salida) {
    salida = Imagen{};
    if (PyBytes_Check(o)) return desde_bytes(o, salida);
    if (PyByteArray_Check(o)) return desde_bytearray(o, salida);
    if (!PyUnicode_Check(o)) {
        if (es_secuencia(o) && desde_secuencia(o, salida)) return true;
        PyErr_Clear();
        salida.bytes.clear();
    }
    if (desde_ruta(o, salida)) return true;
    PyErr_Clear();
    return error_tipo("imagen", "bytes, bytearray, una secuencia de enteros 0..255 o una ruta (str o path-like)");
}

bool convertir_ancho(PyObject* o, AnchoPy& salida) {
    if (PyIndex_Check(o)) {
        Ref entero = Ref::robar(PyNumber_Index(o));
        if (entero) {
            const unsigned long long v = PyLong_AsUnsignedLongLong(entero.get());
            if (!(v == static_cast<unsigned long long>(-1) && PyErr_Occurred())) {
                salida = {false, v, {}};
                return true;
            }
        }
        PyErr_Clear();
    }
    if (PyUnicode_Check(o)) {
        salida.es_texto = true;
        return convertir_str(o, "ancho", salida.texto);
    }
    return error_tipo("ancho", "un entero entre 0 y 2**64-1 o un str");
}

bool convertir_str(PyObject* o, const char* nombre, std::string& salida) {
    if (!PyUnicode_Check(o)) return error_tipo(nombre, "un str");
    Py_ssize_t n;
    const char* datos = PyUnicode_AsUTF8AndSize(o, &n);
    if (!datos) return false;
    salida.assign(datos, static_cast<std::size_t>(n));
    return true;
}

bool convertir_bool(PyObject* o, const char* nombre, bool& salida) {
    if (o == Py_True || o == Py_False) {
        salida = o == Py_True;
        return true;
    }
    if (es_bool_de_numpy(o)) {
        const int v = PyObject_IsTrue(o);
        if (v < 0) return false;
        salida = v == 1;
        return true;
    }
    return error_tipo(nombre, "True o False");
}

bool convertir_float64(PyObject* o, const char* nombre, double& salida) {
    const double v = PyFloat_AsDouble(o);
    if (v == -1.0 && PyErr_Occurred()) {
        if (PyErr_ExceptionMatches(PyExc_TypeError)) {
            PyErr_Clear();
            return error_tipo(nombre, "un número");
        }
        return false;
    }
    salida = v;
    return true;
}

bool convertir_float32(PyObject* o, const char* nombre, float& salida) {
    double v;
    if (!convertir_float64(o, nombre, v)) return false;
    salida = a_float32(v);
    return true;
}

bool convertir_u64(PyObject* o, const char* nombre, std::uint64_t& salida) {
    if (!PyIndex_Check(o)) return error_tipo(nombre, "un entero");
    Ref entero = Ref::robar(PyNumber_Index(o));
    if (!entero) return false;
    const unsigned long long v = PyLong_AsUnsignedLongLong(entero.get());
    if (v == static_cast<unsigned long long>(-1) && PyErr_Occurred()) {
        PyErr_Clear();
        PyErr_Format(PyExc_OverflowError, "%s debe estar entre 0 y 2**64-1", nombre);
        return false;
    }
    salida = v;
    return true;
}

bool convertir_u64_opcional(PyObject* o, const char* nombre, std::optional<std::uint64_t>& salida) {
    if (o == Py_None) {
        salida.reset();
        return true;
    }
    std::uint64_t v;
    if (!convertir_u64(o, nombre, v)) return false;
    salida = v;
    return true;
}

bool convertir_umbral(PyObject* o, std::optional<std::uint8_t>& salida) {
    if (o == Py_None) {
        salida.reset();
        return true;
    }
    if (!PyIndex_Check(o)) return error_tipo("umbral", "None o un entero entre 0 y 255");
    Ref entero = Ref::robar(PyNumber_Index(o));
    if (!entero) return false;
    int desborde = 0;
    const long long v = PyLong_AsLongLongAndOverflow(entero.get(), &desborde);
    if (v == -1 && PyErr_Occurred()) return false;
    if (desborde != 0 || v < 0 || v > 255)
        return error_argumento(PyExc_OverflowError, "umbral debe estar entre 0 y 255");
    salida = static_cast<std::uint8_t>(v);
    return true;
}

bool convertir_lista_str(PyObject* o, const char* nombre, std::vector<std::string>& salida) {
    salida.clear();
    if (PyUnicode_Check(o) || !es_secuencia(o)) {
        PyErr_Clear();
        return error_tipo(nombre, "una secuencia de str");
    }
    const Py_ssize_t n = PySequence_Size(o);
    if (n < 0) return false;
    for (Py_ssize_t i = 0; i < n; ++i) {
        Ref item = Ref::robar(PySequence_GetItem(o, i));
        if (!item) return false;
        std::string s;
        if (!convertir_str(item.get(), nombre, s)) return false;
        salida.push_back(std::move(s));
    }
    return true;
}

bool convertir_fotogramas(PyObject* o, std::vector<std::string>& salida) {
    salida.clear();
    if (PyUnicode_Check(o)) {
        salida.emplace_back();
        return convertir_str(o, "fotogramas", salida.back());
    }
    if (!es_secuencia(o)) {
        PyErr_Clear();
        return error_tipo("fotogramas", "un str o una secuencia de str");
    }
    return convertir_lista_str(o, "fotogramas", salida);
}

bool leer_ancho_y_espacios(const AnchoPy& ancho, const std::string& espacios, Opciones& op) {
    if (ancho.es_texto) {
        auto a = leer_ancho(ancho.texto);
        if (!a) return lanzar(a.fallo()), false;
        op.ancho = *a;
    } else {
        op.ancho = Ancho::num(ancho.n);
    }
    auto e = leer_espacios(espacios);
    if (!e) return lanzar(e.fallo()), false;
    op.espacios = *e;
    return true;
}

bool convertir_opciones_dibujo(PyObject* const o[10], ArgsDibujo& a) {
    enum { ANCHO, ASPECTO, REPETIR, ESPACIOS, UMBRAL, INVERTIR, HUECOS, SUAVIZAR, DESFASE, COLOR };
    return (!o[ANCHO] || convertir_ancho(o[ANCHO], a.ancho)) &&
           (!o[ASPECTO] || convertir_float32(o[ASPECTO], "aspecto", a.op.aspecto)) &&
           (!o[REPETIR] || convertir_bool(o[REPETIR], "repetir", a.op.repetir)) &&
           (!o[ESPACIOS] || convertir_str(o[ESPACIOS], "espacios", a.espacios)) &&
           (!o[UMBRAL] || convertir_umbral(o[UMBRAL], a.op.umbral)) &&
           (!o[INVERTIR] || convertir_bool(o[INVERTIR], "invertir", a.op.invertir)) &&
           (!o[HUECOS] || convertir_bool(o[HUECOS], "huecos", a.op.huecos)) &&
           (!o[SUAVIZAR] || convertir_u64(o[SUAVIZAR], "suavizar", a.op.suavizar)) &&
           (!o[DESFASE] || convertir_u64(o[DESFASE], "desfase", a.op.desfase)) &&
           (!o[COLOR] || convertir_bool(o[COLOR], "color", a.op.color));
}

bool cargar(Imagen& imagen, ImagenRgba& salida) {
    auto r = cargar_imagen(imagen);
    imagen = Imagen{};  // los bytes codificados ya no hacen falta
    if (!r) return lanzar(r.fallo()), false;
    salida = std::move(*r);
    return true;
}

Ref nuevo_str(const std::string& s) {
    return Ref::robar(PyUnicode_FromStringAndSize(s.data(), static_cast<Py_ssize_t>(s.size())));
}

}  // namespace glifador::py
