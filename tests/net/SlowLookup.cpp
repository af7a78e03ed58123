// Preloaded into tst_http: names under ".slow-lookup.test" take six seconds
// to resolve, as behind a resolver that hangs; every other name goes to the
// system's resolver.
#include <cstring>
#include <dlfcn.h>
#include <netdb.h>
#include <unistd.h>

extern "C" int getaddrinfo(const char *node, const char *service, const addrinfo *hints, addrinfo **res)
{
    static const char suffix[] = ".slow-lookup.test";
    const size_t n = node ? std::strlen(node) : 0;
    if (n >= sizeof suffix - 1 && std::strcmp(node + n - (sizeof suffix - 1), suffix) == 0) {
        sleep(6);
        return EAI_NONAME;
    }
    using Real = int (*)(const char *, const char *, const addrinfo *, addrinfo **);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "getaddrinfo"));
    return real(node, service, hints, res);
}
