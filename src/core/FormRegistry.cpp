#include "core/FormRegistry.h"

#include <algorithm>

namespace kb {
namespace {

// Built on first use, so registrations never run before the lists exist.
std::vector<TFormClass>& Classes()
{
    static std::vector<TFormClass> list;
    return list;
}

std::vector<std::string>& Names()
{
    static std::vector<std::string> list;
    return list;
}

bool SameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

} // namespace

const std::vector<TFormClass>& FormClassList() { return Classes(); }
const std::vector<std::string>& FormNameList() { return Names(); }

void RegisterFormClass(TFormClass formClass, const std::string& name)
{
    auto& classes = Classes();
    const bool listed = std::any_of(classes.begin(), classes.end(), [&](const TFormClass& c) { return c.Type == formClass.Type; });
    if (listed) return;
    classes.push_back(std::move(formClass));
    Names().push_back(name);
}

const TFormClass* FindFormClass(const std::string& name)
{
    const auto& names = Names();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (SameText(names[i], name)) return &Classes()[i];
    return nullptr;
}

std::unique_ptr<TFormInstance> CreateRegisteredForm(const std::string& name)
{
    const TFormClass* c = FindFormClass(name);
    if (!c || !c->Create) return nullptr;
    return c->Create();
}

void ResetFormRegistry()
{
    Classes().clear();
    Names().clear();
}

} // namespace kb
