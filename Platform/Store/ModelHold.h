#pragma once
#include "Platform/Store/PersistentModel.h"

#include <QPointer>
#include <utility>

// A counted hold on a model (copyable, like a shared pointer that does not own).
//
// While any hold on a model lives, its context keeps that object for the row: every fetch answers
// the same object. When the last hold goes and the model has no unsaved change, the context lets
// go of it on a later turn of its thread (the object is deleted; a later fetch makes a fresh one
// from the stored row). A model with unsaved changes stays until they are saved.
//
// Models handed out through the plain API (fetch(), model(), relationship accessors) stay with
// their context for its life as before; only models reached through holds alone are let go.
// A hold answers nullptr once its model is gone (its context was destroyed).
template<class T> class ModelHold {
public:
    ModelHold() = default;
    ModelHold(T *model) : m_model(model) { PersistentModel::retainHold(model); }
    ModelHold(const ModelHold &other) : m_model(other.m_model) { PersistentModel::retainHold(m_model.data()); }
    ModelHold(ModelHold &&other) noexcept : m_model(std::exchange(other.m_model, nullptr)) {}
    ~ModelHold() { PersistentModel::releaseHold(m_model.data()); }

    ModelHold &operator=(const ModelHold &other)
    {
        ModelHold copy(other);
        swap(copy);
        return *this;
    }
    ModelHold &operator=(ModelHold &&other) noexcept
    {
        ModelHold moved(std::move(other));
        swap(moved);
        return *this;
    }
    void swap(ModelHold &other) noexcept { std::swap(m_model, other.m_model); }
    void reset() { *this = ModelHold(); }

    T *get() const { return static_cast<T *>(m_model.data()); }
    T *operator->() const { return get(); }
    operator T *() const { return get(); }

private:
    QPointer<PersistentModel> m_model;
};

// Holds for a list of models (the holders' usual case).
template<class T> QList<ModelHold<T>> holdAll(const QList<T *> &models)
{
    QList<ModelHold<T>> out;
    out.reserve(models.size());
    for (T *m : models)
        out.append(ModelHold<T>(m));
    return out;
}
