#include "KeyFilter.h"

namespace mizel {

bool keyFilterPasses(char32_t typed)
{
    return (typed >= U'0' && typed <= U'9')
        || (typed >= U'#' && typed <= U'(')
        || typed == U'.'
        || (typed >= 8 && typed <= 16);
}

} // namespace mizel
