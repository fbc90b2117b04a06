#pragma once

namespace vidrune {

// Run-time class record: the class name and its base, so that an object's type can
// be asked for at run time.
struct RuntimeClass {
    const char* className;
    const RuntimeClass* base;

    bool IsDerivedFrom(const RuntimeClass* other) const;
};

// Root of the device and input classes.
class CObject {
public:
    virtual ~CObject() = default;
    virtual const RuntimeClass* GetRuntimeClass() const;
    bool IsKindOf(const RuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }

    static const RuntimeClass kRuntimeClass;
};

} // namespace vidrune

// Gives a class its run-time class record; the matching definition goes into its source.
#define VIDRUNE_DECLARE_RUNTIME_CLASS()                                                            \
public:                                                                                            \
    static const ::vidrune::RuntimeClass kRuntimeClass;                                            \
    const ::vidrune::RuntimeClass* GetRuntimeClass() const override {                              \
        return &kRuntimeClass;                                                                     \
    }

#define VIDRUNE_IMPLEMENT_RUNTIME_CLASS(Class, Base)                                               \
    const ::vidrune::RuntimeClass Class::kRuntimeClass{#Class, &Base::kRuntimeClass};
