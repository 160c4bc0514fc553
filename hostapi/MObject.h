#pragma once

#include <memory>

// Base of every object the in-memory host keeps behind an MObject handle.
class HostObject {
public:
    virtual ~HostObject() = default;
};

// Handle to a host object. Copies share the object; a default handle is null.
class MObject {
public:
    MObject() = default;
    explicit MObject(std::shared_ptr<HostObject> object) : object_(std::move(object)) {}

    bool isNull() const { return object_ == nullptr; }
    template <typename T>
    T* as() const {
        return dynamic_cast<T*>(object_.get());
    }
    bool operator==(const MObject& other) const { return object_ == other.object_; }

    static const MObject kNullObj;

private:
    std::shared_ptr<HostObject> object_;
};

inline const MObject MObject::kNullObj;
