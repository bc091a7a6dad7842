#include <cstdio>

// Program entry. Replaced by the wizard's start-up once the main form exists.
int main()
{
    std::puts("kenbo-rendo");
    return 0;
}
