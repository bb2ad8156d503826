// The plugin's only export. Xojo calls it once with its resolver; from then on
// the plugin is the classes registered here, in this fixed order (a superclass
// before its subclass).
#include <iterator>

#include "mail/attachment.h"
#include "mail/email.h"
#include "mail/mbox.h"
#include "mail/tnef.h"
#include "objects/address.h"
#include "objects/address_list.h"
#include "objects/body.h"
#include "objects/entity.h"
#include "objects/field.h"
#include "objects/group.h"
#include "objects/header.h"
#include "objects/mailbox.h"
#include "objects/mailbox_list.h"
#include "runtime/host_binding.h"

extern "C" void REALPluginMain(HostResolverFn resolver) {
  static REALclassDefinition* const classes[] = {
      &MimeBodyClass,
      &MimeHeaderClass,
      &MimeEntityClass,
      &MimeAddressClass,
      &MimeGroupClass,
      &MimeAddressListClass,
      &MimeMailboxListClass,
      &MimeMailboxClass,
      &MimeFieldClass,
      &MimeEmailClass,
      &MimeAttachmentClass,
      &MimeMboxClass,
      &MimeTnefClass,
  };
  StartPlugin(resolver, classes, std::size(classes));
}
