// Literals made where they are used: the build of vextral and of the direct
// C++ tests of the program's bodies.
#include "host/literals.hpp"

namespace xt {

rt::Array literal(Lit id) {
  return makeLiteral(static_cast<int>(id));
}

}  // namespace xt
