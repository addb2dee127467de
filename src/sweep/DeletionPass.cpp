#include "sweep/DeletionPass.h"

namespace zandrel {

void DeletionPass::remove(std::string_view path)
{
    path_.assign(path);
    phone_.fileDelete(path_);
    ++done_;
    if (total_ >= kStep && (done_ % kStep == 0 || done_ == total_))
        prompts_.progress(done_, total_);
}

} // namespace zandrel
