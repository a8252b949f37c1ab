// SPDX-License-Identifier: GPL-3.0-or-later
#include "mirror/worker_online_source.h"

#include "mirror/thread_one_note_restdb.h"

namespace rz {

TOnlineAnswer MWorkerOnlineSource::GetPageContent(const std::string& pageId)
{
    return m_Worker.PageContentAnswer(pageId);
}

TOnlineAnswer MWorkerOnlineSource::GetOneNoteList(const std::string& relativeOrNextLink)
{
    return m_Worker.OneNoteListAnswer(relativeOrNextLink);
}

} // namespace rz
