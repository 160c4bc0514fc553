#pragma once

#include "MFn.h"

#include <memory>

// Base of every object the in-memory host keeps behind an MObject handle.
class HostObject {
public:
    virtual ~HostObject() = default;
    virtual MFn::Type apiType() const { return MFn::kInvalid; }
    virtual bool hasFn(MFn::Type type) const { return type == MFn::kBase; }
};

// Handle to a host object. Copies share the object; a default handle is null.
class MObject {
public:
    MObject() = default;
    explicit MObject(std::shared_ptr<HostObject> object) : object_(std::move(object)) {}

    bool isNull() const { return object_ == nullptr; }
    MFn::Type apiType() const { return object_ ? object_->apiType() : MFn::kInvalid; }
    bool hasFn(MFn::Type type) const { return object_ && object_->hasFn(type); }
    template <typename T>
    T* as() const {
        return dynamic_cast<T*>(object_.get());
    }
    template <typename T>
    std::shared_ptr<T> shared() const {
        return std::dynamic_pointer_cast<T>(object_);
    }
    bool operator==(const MObject& other) const { return object_ == other.object_; }

    static const MObject kNullObj;

private:
    std::shared_ptr<HostObject> object_;
};

inline const MObject MObject::kNullObj;
