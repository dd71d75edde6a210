// The Portuguese language library (Mirabost): messages and interface words, parameter display
// names, parameter help texts (kept in English), and the faces of the Connect, Disconnect and
// Open buttons. It has no texts 1062 and 1066.
#include "common/langtable.h"
#include "langfaces.inc"

namespace {

const PlatformResourceString kTexts[] = {
    // Messages and interface words.
    PLATFORM_RESOURCE_STRING(1000, u"RS-232 não encontrada!"),
    PLATFORM_RESOURCE_STRING(1001, u"Deseja sair do programa?"),
    PLATFORM_RESOURCE_STRING(1002, u"Não é possível abrir porta COM"),
    PLATFORM_RESOURCE_STRING(1003, u"Tempo de conexão excedido"),
    PLATFORM_RESOURCE_STRING(1004, u"Perfil não encontrado\nFavor selecionar um perfil"),
    PLATFORM_RESOURCE_STRING(1005, u"Perfil inválido"),
    PLATFORM_RESOURCE_STRING(1006, u"Falha na ativacao do Perfil"),
    PLATFORM_RESOURCE_STRING(1007, u"Perfil ativado com sucesso"),
    PLATFORM_RESOURCE_STRING(1008, u"Favor preencher a opção"),
    PLATFORM_RESOURCE_STRING(1009, u"Select Central Position in the Map"),
    PLATFORM_RESOURCE_STRING(1010, u"Select Radius in the Map"),
    PLATFORM_RESOURCE_STRING(1011, u"Não é possível abrir tela de Cercas eletrônicas"),
    PLATFORM_RESOURCE_STRING(1012, u"Do you want to Delete?"),
    PLATFORM_RESOURCE_STRING(1013, u"Do you want to Delete All?"),
    PLATFORM_RESOURCE_STRING(1014, u"Check Maximum Length"),
    PLATFORM_RESOURCE_STRING(1015, u"Check Maximum Value"),
    PLATFORM_RESOURCE_STRING(1016, u"Check Minimum Value"),
    PLATFORM_RESOURCE_STRING(1017, u"A cerca eletrônica será removida.\nContinuar?"),
    PLATFORM_RESOURCE_STRING(1018, u"O ID deve ter 6 dígitos"),
    PLATFORM_RESOURCE_STRING(1019, u"Perfil inválido"),
    PLATFORM_RESOURCE_STRING(1021, u"O arquivo já existe. Deseja substituir?"),
    PLATFORM_RESOURCE_STRING(1022, u"Perfil salvo com sucesso!"),
    PLATFORM_RESOURCE_STRING(1023, u"Não e possivel abrir porta COM!"),
    PLATFORM_RESOURCE_STRING(1024, u"Input Password"),
    PLATFORM_RESOURCE_STRING(1025, u"Wrong Password"),
    PLATFORM_RESOURCE_STRING(1026, u"Invalid Password\nOnly Digit and English Alphabet"),
    PLATFORM_RESOURCE_STRING(1027, u"Diagnóstico"),
    PLATFORM_RESOURCE_STRING(1028, u"Perfil de configuracao"),
    PLATFORM_RESOURCE_STRING(1029, u"Opcional"),
    PLATFORM_RESOURCE_STRING(1030, u"Dispositivo"),
    PLATFORM_RESOURCE_STRING(1031, u"Comprador"),
    PLATFORM_RESOURCE_STRING(1032, u"Versao"),
    PLATFORM_RESOURCE_STRING(1033, u"Voz"),
    PLATFORM_RESOURCE_STRING(1034, u"Enviar"),
    PLATFORM_RESOURCE_STRING(1035, u"Adicionar"),
    PLATFORM_RESOURCE_STRING(1036, u"Selecionar Perfil"),
    PLATFORM_RESOURCE_STRING(1037, u"Ativar perfil"),
    PLATFORM_RESOURCE_STRING(1038, u"Salvar perfil"),
    PLATFORM_RESOURCE_STRING(1039, u"Fixo"),
    PLATFORM_RESOURCE_STRING(1040, u"Não Fixo"),
    PLATFORM_RESOURCE_STRING(1041, u"Antena or Chipset Erro"),
    PLATFORM_RESOURCE_STRING(1042, u"OK"),
    PLATFORM_RESOURCE_STRING(1043, u"Erro comunicação Server"),
    PLATFORM_RESOURCE_STRING(1044, u"Erro comunicação GPRS"),
    PLATFORM_RESOURCE_STRING(1045, u"Sem rede"),
    PLATFORM_RESOURCE_STRING(1046, u"PIN Travado"),
    PLATFORM_RESOURCE_STRING(1047, u"Servico Limitado"),
    PLATFORM_RESOURCE_STRING(1048, u"Não SIM"),
    PLATFORM_RESOURCE_STRING(1049, u"Activo"),
    PLATFORM_RESOURCE_STRING(1050, u"segurança"),
    PLATFORM_RESOURCE_STRING(1051, u"entrada4"),
    PLATFORM_RESOURCE_STRING(1052, u"editar"),
    PLATFORM_RESOURCE_STRING(1053, u"excluir"),
    PLATFORM_RESOURCE_STRING(1054, u"Próximo"),
    PLATFORM_RESOURCE_STRING(1055, u"Anterior"),
    PLATFORM_RESOURCE_STRING(1056, u"Cancelar"),
    PLATFORM_RESOURCE_STRING(1057, u"Abrir o arquivo"),
    PLATFORM_RESOURCE_STRING(1058, u"Salvar o arquivo"),
    PLATFORM_RESOURCE_STRING(1059, u"Sim card is PUK-locked"),
    PLATFORM_RESOURCE_STRING(1060, u"Sim card is PUK2-locked"),
    PLATFORM_RESOURCE_STRING(1061, u"Commnunication Fail With Modem"),
    PLATFORM_RESOURCE_STRING(1063, u"BLE Will Be Removed \nContinue?"),
    PLATFORM_RESOURCE_STRING(1064, u"BLE Version"),
    PLATFORM_RESOURCE_STRING(1065, u"Wifi Version"),

    // Display names of device parameters.
    PLATFORM_RESOURCE_STRING(1101, u"Parâmetros de rede"),
    PLATFORM_RESOURCE_STRING(1102, u"APN"),
    PLATFORM_RESOURCE_STRING(1129, u"Autenticação"),
    PLATFORM_RESOURCE_STRING(1132, u"Automático"),
    PLATFORM_RESOURCE_STRING(1229, u"Tipo de servidor"),
    PLATFORM_RESOURCE_STRING(1230, u"Tipo de servidor reserva"),
    PLATFORM_RESOURCE_STRING(1763, u"Tempo de debounce (Min)"),

    // Parameter help texts ("name:description"), after the marker text; in English here too.
    PLATFORM_RESOURCE_STRING(2000, u"START"),
    PLATFORM_RESOURCE_STRING(2001, u"Unit ID:Identifier the device sends with every report to the server\n"
                                   u"Must be 6 digits, unique for every device\nAsk your server admin"),
    PLATFORM_RESOURCE_STRING(2002, u"APN:Access Point Name"),
    PLATFORM_RESOURCE_STRING(2011, u"TR ID:Transaction ID\nMust be 4 digits"),
};

}  // namespace

LANGUAGE_LIBRARY_TABLE(kTexts, kLanguageFaces)
