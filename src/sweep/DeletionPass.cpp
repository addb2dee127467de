#include "sweep/DeletionPass.h"

#include <string>

namespace zandrel {

void DeletionProgress::advance()
{
    ++done_;
    if (total_ < kStep)
        return;
    if (done_ % kStep == 0 || done_ == total_)
        prompts_.progress(done_, total_);
}

void deleteEveryPath(PhoneLink& phone, Prompts& prompts, const PathList& paths)
{
    DeletionProgress progress(prompts, paths.size());
    std::string path;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        path.assign(paths[i]); // reuses one buffer for the whole pass
        phone.fileDelete(path);
        progress.advance();
    }
}

} // namespace zandrel
