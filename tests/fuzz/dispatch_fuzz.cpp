// Whatever a page posts, the dispatcher must neither crash nor misbehave:
// any input is read as the engine's message text is (lone surrogates, odd
// escapes and stray bytes included), handed to a launched Delegate over
// fakes, and every reply, network request and site fetch it starts is
// completed.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bridge/message_body.h"
#include "fakes/fake_host.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto body = qv::messageBody(std::string_view(reinterpret_cast<const char*>(data), size));
  if (body.is_discarded()) return 0;
  qv::fake::Rig rig;
  rig.config.mt5Prefixes = {"/nonexistent/qv-fuzz/*"};
  rig.launch();
  rig.delegate->scriptMessage(body);
  rig.delegate->scriptMessage(body);  // a second time: existing panes and sites take other paths
  for (auto& sent : rig.sent) sent.done({200, std::string("x"), std::nullopt});
  for (auto* view : rig.views)
    for (auto& call : view->asyncCalls) call.done(R"([200,"ok"])");
  rig.deliverCookies();
  rig.runAll();
  return 0;
}
