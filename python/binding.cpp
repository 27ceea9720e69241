// The compiled half of the Python package: the library's methods, model files and sequence
// reader behind a few plain functions. The estimators (tessar/__init__.py) are written on these.
//
// Every call into the library runs with the GIL released, on a thread of its own, while the
// calling thread checks for Python's signals every 100 ms: on Ctrl-C it asks the run to stop
// (parallel.h), waits for it and raises KeyboardInterrupt. The library's errors (FatalError)
// become ValueError with their message (the one that says where, when they have it).
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>

#include "bincod/bincod.h"
#include "encode/model.h"
#include "inputs/sequences.h"
#include "methods/table.h"
#include "parallel/parallel.h"

namespace py = pybind11;

namespace tessar {
namespace {

// A message of the library as a Python exception's text: without its leading tab and line end.
std::string plain_message(std::string message) {
    message.erase(0, message.find_first_not_of('\t'));
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    return message;
}

// Thrown when a run was stopped for a signal Python has already turned into its exception.
struct PythonSignal {};

// Runs `work` with the GIL released on a thread of its own; the calling thread, when it is
// Python's main thread, looks for signals meanwhile and stops the run on one.
template <class Work>
void run_released(Work work) {
    std::mutex lock;
    std::condition_variable ended;
    bool finished = false;
    std::exception_ptr failure;
    bool signalled = false;
    {
        py::gil_scoped_release release;
        std::thread worker([&] {
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
            std::lock_guard<std::mutex> hold(lock);
            finished = true;
            ended.notify_all();
        });
        std::unique_lock<std::mutex> hold(lock);
        while (!finished) {
            if (ended.wait_for(hold, std::chrono::milliseconds(100), [&] { return finished; })) break;
            hold.unlock();
            {
                py::gil_scoped_acquire acquire;
                if (!signalled && PyErr_CheckSignals() != 0) {
                    signalled = true;  // the exception is set; the run is asked to stop
                    request_stop(true);
                }
            }
            hold.lock();
        }
        hold.unlock();
        worker.join();
        if (signalled) request_stop(false);
    }
    if (signalled) throw py::error_already_set();
    if (failure) std::rethrow_exception(failure);
}

void set_threads(py::object n_jobs) {
    long n = n_jobs.is_none() ? 0 : n_jobs.cast<long>();
    // scikit-learn's meaning: -1 all cores, -2 all but one, ...
    if (n < 0) n = std::max(1L, static_cast<long>(default_thread_count()) + 1 + n);
    set_thread_count(static_cast<size_t>(n));
}

// The bytes of a Python text or bytes object (str: UTF-8), valid while the object lives.
std::string_view bytes_of(const py::handle& item, size_t index) {
    if (PyBytes_Check(item.ptr())) {
        char* data = nullptr;
        Py_ssize_t size = 0;
        if (PyBytes_AsStringAndSize(item.ptr(), &data, &size) != 0) throw py::error_already_set();
        return {data, static_cast<size_t>(size)};
    }
    if (PyUnicode_Check(item.ptr())) {
        Py_ssize_t size = 0;
        const char* data = PyUnicode_AsUTF8AndSize(item.ptr(), &size);  // the text itself when ASCII
        if (!data) throw py::error_already_set();
        return {data, static_cast<size_t>(size)};
    }
    throw py::value_error(format("Err: sequence %zu is a %s, not a str or bytes of residues", index,
                                 std::string(py::str(item.get_type().attr("__name__"))).c_str()));
}

// The sequences of `items` as the sequence reader takes residues: blanks, tabs and '*' skipped,
// lower case folded; anything else is an error naming the sequence.
std::vector<std::string> residues_of(const py::iterable& items) {
    std::vector<std::string> sequences;
    if (py::isinstance<py::list>(items) || py::isinstance<py::tuple>(items)) sequences.reserve(py::len(items));
    size_t index = 0;
    for (const py::handle& item : items) {
        const std::string_view text = bytes_of(item, index);
        std::string& residues = sequences.emplace_back();
        residues.reserve(text.size());
        const size_t bad = append_residues(text, residues);
        if (bad != std::string::npos) {
            const unsigned char c = static_cast<unsigned char>(text[bad]);
            const std::string shown = c >= 0x20 && c < 0x7F ? format("'%c'", c) : format("byte 0x%02X", c);
            throw py::value_error(format("Err: sequence %zu: %s at position %zu is not a residue letter (A to Z; "
                                         "blanks, tabs and '*' are skipped)",
                                         index, shown.c_str(), bad));
        }
        ++index;
    }
    if (sequences.empty()) throw py::value_error("Err: no sequence at all: X holds none");
    return sequences;
}

const Method& model_method(const std::string& name) {
    const Method* method = find_method(name);
    if (!method || !method->learn) throw py::value_error(format("Err: no method %s", name.c_str()));
    return *method;
}

// A NumPy array on the storage of `values`, which it keeps alive. Columns (below 2^31, like every
// feature count of a table) are handed on as int32, the index type SciPy keeps.
template <class T>
py::array array_owning(std::vector<T>&& values) {
    auto kept = std::make_unique<std::vector<T>>(std::move(values));
    py::capsule owner(kept.get(), [](void* p) { delete static_cast<std::vector<T>*>(p); });
    const std::vector<T>& held = *kept.release();  // the capsule owns it now
    using Shown = std::conditional_t<std::is_same_v<T, std::uint32_t>, std::int32_t, T>;
    return py::array_t<Shown>(static_cast<py::ssize_t>(held.size()), reinterpret_cast<const Shown*>(held.data()),
                              owner);
}

// A model learned or read, as Python holds it.
struct PyModel {
    Model model;

    std::string method() const { return model.method->name; }
    std::string text() const { return model_text(model); }

    // (row_starts, columns) of the rows of `X`, for a scipy.sparse.csr_matrix.
    py::tuple transform(const py::iterable& X, py::object n_jobs) const {
        std::vector<std::string> sequences = residues_of(X);
        set_threads(n_jobs);
        SparseRows rows;
        run_released([&] { rows = code_rows(model, sequences); });
        return arrays_of(std::move(rows));
    }

    // The arrays take the rows' storage over: nothing is copied.
    static py::tuple arrays_of(SparseRows&& rows) {
        return py::make_tuple(array_owning(std::move(rows.row_starts)), array_owning(std::move(rows.columns)));
    }
};

// The model learned from `X` and, when `with_rows`, the rows of `X` by it (fit_transform: the
// sequences read once for both).
py::object learn(const std::string& method_name, const py::iterable& X, std::vector<std::string> labels,
                 std::vector<std::string> class_names, std::vector<std::pair<std::string, std::string>> parameters,
                 py::object n_jobs, bool with_rows) {
    const Method& method = model_method(method_name);
    LearnRequest request;
    request.sequences = residues_of(X);
    if (!labels.empty() && labels.size() != request.sequences.size())
        throw py::value_error(format("Err: %zu labels for %zu sequences", labels.size(), request.sequences.size()));
    request.labels = std::move(labels);
    request.class_names = std::move(class_names);
    request.parameters = std::move(parameters);
    set_threads(n_jobs);
    PyModel out;
    SparseRows rows;
    run_released([&] {
        out.model = method.learn(request);
        if (with_rows) rows = code_rows(out.model, request.sequences);
    });
    if (!with_rows) return py::cast(std::move(out));
    return py::make_tuple(std::move(out), PyModel::arrays_of(std::move(rows)));
}

PyModel model_from_text(const std::string& text, const std::string& name) {
    PyModel out;
    // read by the model file's own reader
    std::FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (!in || text.empty()) {
        if (in) std::fclose(in);
        throw py::value_error(format("Err: %s is empty: it is no model file", name.c_str()));
    }
    File source(in);
    out.model = read_model(source.get(), name);
    if (!out.model.method->learn) throw py::value_error(format("Err: %s: no estimator for its method", name.c_str()));
    return out;
}

py::tuple read_fasta(const std::string& path) {
    File in = open_for_reading(path);
    if (!in) throw py::value_error(format("Err: cannot open %s", path.c_str()));
    std::vector<std::string> ids;
    std::vector<std::string> sequences = read_sequences(in.get(), path, SequenceReader::Test, Limits{}, nullptr, &ids);
    return py::make_tuple(ids, sequences);
}

std::vector<py::array_t<std::uint8_t>> binary_codes(const py::iterable& X, const std::string& code) {
    const std::string number = choice_number(kBinaryCode, code);
    if (number.empty())
        throw py::value_error(format("Err: code \"%s\" is not one of %s", code.c_str(), choice_list(kBinaryCode).c_str()));
    const int scheme = std::atoi(number.c_str());
    const std::vector<std::string> sequences = residues_of(X);
    int ignored = 0;
    const size_t width = encode_binary("A", scheme, ignored).size() - 2;  // bits per residue
    std::vector<py::array_t<std::uint8_t>> out;
    for (const std::string& s : sequences) {
        int n_unknown = 0;
        const std::string line = encode_binary(s, scheme, n_unknown);
        py::array_t<std::uint8_t> bits({static_cast<py::ssize_t>(s.size()), static_cast<py::ssize_t>(width)});
        std::uint8_t* at = bits.mutable_data();
        for (size_t i = 0; i < s.size() * width; ++i) at[i] = line[i] == '1';
        out.push_back(std::move(bits));
    }
    return out;
}

}  // namespace
}  // namespace tessar

PYBIND11_MODULE(_tessar, m) {
    using namespace tessar;
    m.doc() = "The library's methods for the tessar package (use the package, not this module).";
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const FatalError& e) {
            PyErr_SetString(PyExc_ValueError, plain_message(e.detail.empty() ? e.message : e.detail).c_str());
        } catch (const RunStopped&) {
            PyErr_SetString(PyExc_KeyboardInterrupt, "");
        }
    });
    py::class_<PyModel>(m, "Model")
        .def_property_readonly("method", &PyModel::method)
        .def_property_readonly("features", [](const PyModel& p) { return p.model.features; })
        .def_property_readonly("with_classes", [](const PyModel& p) { return p.model.with_classes; })
        .def_property_readonly("class_names", [](const PyModel& p) { return p.model.class_names; })
        .def_property_readonly("parameters", [](const PyModel& p) { return p.model.parameters; })
        .def("text", &PyModel::text)
        .def("transform", &PyModel::transform, py::arg("X"), py::arg("n_jobs") = py::none());
    m.def("learn", &learn, py::arg("method"), py::arg("X"), py::arg("labels"), py::arg("class_names"),
          py::arg("parameters"), py::arg("n_jobs") = py::none(), py::arg("with_rows") = false);
    m.def("model_from_text", &model_from_text, py::arg("text"), py::arg("name"));
    m.def("read_fasta", &read_fasta, py::arg("path"));
    m.def("binary_codes", &binary_codes, py::arg("X"), py::arg("code"));
}
