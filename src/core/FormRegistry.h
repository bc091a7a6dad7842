#pragma once
// Form-class registry: processing forms are started by name ("SzDataSenkaku", "SzDataTusin" ...)
// instead of by a direct reference. Each form registers a factory for its class under its process
// name; the host looks the name up, creates an instance and drives it through ISyoriKidou.
//
// The two lists are index-parallel: entry i of FormNameList names entry i of FormClassList. A class
// is listed once (a second registration of the same class, under any name, is ignored); a name
// may be listed twice, and a lookup finds the first. Lookups ignore the letter case.
//
// Registration: the registering code runs once at start-up, before any lookup. Forms live in
// static libraries, whose unreferenced objects the linker drops, so each subsystem offers a
// function that registers its forms and the program entry calls it (a static initialiser alone
// would silently never run).

#include <functional>
#include <memory>
#include <string>
#include <typeindex>
#include <vector>

namespace kb {

// Base of every object the registry creates (a form of the user-interface layer derives from it
// as well as from its widget class).
class TFormInstance {
public:
    virtual ~TFormInstance() = default;
};

// The processing-start interface of registered forms, GUID {42B77FEA-D7D9-48D1-A3A2-095AB52ACC8A}.
class ISyoriKidou {
public:
    static constexpr const char* IID = "{42B77FEA-D7D9-48D1-A3A2-095AB52ACC8A}";
    virtual ~ISyoriKidou() = default;
    // mode 1 = modal. Returns the form's result.
    virtual int Execute(int mode) = 0;
    // "Name=Value" lines.
    virtual void SetParams(const std::vector<std::string>& lines) = 0;
};

// The instance's processing interface, or nullptr when its class does not offer one.
inline ISyoriKidou* SupportsSyoriKidou(TFormInstance* form) { return dynamic_cast<ISyoriKidou*>(form); }

struct TFormClass {
    std::type_index Type;
    std::string ClassName;
    std::function<std::unique_ptr<TFormInstance>()> Create;
};

const std::vector<TFormClass>& FormClassList();
const std::vector<std::string>& FormNameList();

void RegisterFormClass(TFormClass formClass, const std::string& name);

template <class T>
void RegisterFormClass(const std::string& name, std::string className = {})
{
    RegisterFormClass(TFormClass{std::type_index(typeid(T)), className.empty() ? typeid(T).name() : std::move(className),
                                 [] { return std::unique_ptr<TFormInstance>(std::make_unique<T>()); }},
                      name);
}

// The class registered first under name (letter case ignored), or nullptr.
const TFormClass* FindFormClass(const std::string& name);
// A new instance of the class registered under name, or nullptr when the name is not listed.
std::unique_ptr<TFormInstance> CreateRegisteredForm(const std::string& name);

// Empties both lists (tests).
void ResetFormRegistry();

} // namespace kb
