// Dueño RAII de una referencia de Python: ningún camino la pierde ni la suelta dos veces.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <utility>

namespace glifador::py {

class Ref {
public:
    Ref() = default;
    /// Toma la referencia nueva que devolvió una llamada (puede ser nula).
    static Ref robar(PyObject* o) { return Ref(o); }
    /// Añade una referencia a un objeto prestado.
    static Ref prestar(PyObject* o) {
        Py_XINCREF(o);
        return Ref(o);
    }

    Ref(Ref&& otro) noexcept : p_(std::exchange(otro.p_, nullptr)) {}
    Ref& operator=(Ref&& otro) noexcept {
        if (this != &otro) {
            Py_XDECREF(p_);
            p_ = std::exchange(otro.p_, nullptr);
        }
        return *this;
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() { Py_XDECREF(p_); }

    PyObject* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    /// Entrega la referencia al que llama.
    PyObject* soltar() { return std::exchange(p_, nullptr); }

private:
    explicit Ref(PyObject* o) : p_(o) {}
    PyObject* p_ = nullptr;
};

}  // namespace glifador::py
