//+------------------------------------------------------------------+
//| QuorvexEstado.mq5                                                |
//| Escribe cada segundo el estado de la cuenta en                   |
//| Common\Files\quorvex_mt5.json y en quorvex_mt5_<login>.json      |
//| para el panel de QUORVEX.                                        |
//| No abre, cierra ni modifica operaciones.                         |
//| Formato: docs/mt5-status.md                                      |
//+------------------------------------------------------------------+
#property copyright "QUORVEX"
#property version   "2.00"
#property description "Escribe el estado de la cuenta para QUORVEX cada segundo (no opera)."

#define QV_FICHERO "quorvex_mt5.json"
#define QV_VERSION 2

// Symbols whose sizing data goes in the file besides those with an open
// position, comma-separated; the ones this broker does not have are left out.
input string ListaSimbolos = "EURUSD,GBPUSD,USDJPY,XAUUSD,US30";

// One temporary name per writer: two charts (or two terminals) sharing the
// common folder must never truncate each other's half-written file.
string g_temporal;

//+------------------------------------------------------------------+
int OnInit()
  {
   g_temporal = StringFormat("quorvex_mt5.%I64d.%I64d.tmp",
                             AccountInfoInteger(ACCOUNT_LOGIN), ChartID());
   if(!EventSetTimer(1))
      return(INIT_FAILED);
   Escribir();
   return(INIT_SUCCEEDED);
  }

//+------------------------------------------------------------------+
void OnDeinit(const int reason)
  {
   EventKillTimer();
   // The last file stays: its own time tells the page it is no longer fresh.
   FileDelete(g_temporal, FILE_COMMON);
  }

//+------------------------------------------------------------------+
void OnTimer()
  {
   Escribir();
  }

//+------------------------------------------------------------------+
//| JSON pieces                                                      |
//+------------------------------------------------------------------+
string Texto(const string s)
  {
   string r = "\"";
   int n = StringLen(s);
   for(int i = 0; i < n; i++)
     {
      ushort c = StringGetCharacter(s, i);
      if(c == '"')
         r += "\\\"";
      else if(c == '\\')
         r += "\\\\";
      else if(c == '\n')
         r += "\\n";
      else if(c == '\r')
         r += "\\r";
      else if(c == '\t')
         r += "\\t";
      else if(c < 0x20)
         r += StringFormat("\\u%04x", c);
      else
         r += ShortToString(c);
     }
   return(r + "\"");
  }

// NaN and infinities have no JSON form; one of them would spoil the whole file.
string Numero(const double v, const int decimales)
  {
   if(!MathIsValidNumber(v))
      return("null");
   return(DoubleToString(v, decimales));
  }

string Entero(const long v)
  {
   return(IntegerToString(v));
  }

string Par(const string clave, const string valor, const bool ultimo = false)
  {
   return("\"" + clave + "\":" + valor + (ultimo ? "" : ","));
  }

string ModoCuenta()
  {
   switch((ENUM_ACCOUNT_TRADE_MODE)AccountInfoInteger(ACCOUNT_TRADE_MODE))
     {
      case ACCOUNT_TRADE_MODE_DEMO:
         return("demo");
      case ACCOUNT_TRADE_MODE_CONTEST:
         return("contest");
      default:
         return("real");
     }
  }

string Cuenta()
  {
   string j = "{";
   j += Par("login", Entero(AccountInfoInteger(ACCOUNT_LOGIN)));
   j += Par("server", Texto(AccountInfoString(ACCOUNT_SERVER)));
   j += Par("name", Texto(AccountInfoString(ACCOUNT_NAME)));
   j += Par("company", Texto(AccountInfoString(ACCOUNT_COMPANY)));
   j += Par("currency", Texto(AccountInfoString(ACCOUNT_CURRENCY)));
   j += Par("tradeMode", Texto(ModoCuenta()));
   j += Par("leverage", Entero(AccountInfoInteger(ACCOUNT_LEVERAGE)));
   j += Par("balance", Numero(AccountInfoDouble(ACCOUNT_BALANCE), 2));
   j += Par("equity", Numero(AccountInfoDouble(ACCOUNT_EQUITY), 2));
   j += Par("margin", Numero(AccountInfoDouble(ACCOUNT_MARGIN), 2));
   j += Par("freeMargin", Numero(AccountInfoDouble(ACCOUNT_MARGIN_FREE), 2));
   j += Par("marginLevel", Numero(AccountInfoDouble(ACCOUNT_MARGIN_LEVEL), 2));
   // A stop-out set as an amount of money is no margin level: left out.
   bool enPorcentaje = AccountInfoInteger(ACCOUNT_MARGIN_SO_MODE) == ACCOUNT_STOPOUT_MODE_PERCENT;
   j += Par("marginStopOut", enPorcentaje ? Numero(AccountInfoDouble(ACCOUNT_MARGIN_SO_SO), 2) : "null");
   j += Par("profit", Numero(AccountInfoDouble(ACCOUNT_PROFIT), 2), true);
   return(j + "}");
  }

// Position times come in the trade server's clock; the file speaks UTC.
// The server's offset is a whole number of quarter hours.
long DesfaseServidor()
  {
   long d = (long)(TimeTradeServer() - TimeGMT());
   return((long)MathRound(d / 900.0) * 900);
  }

// Decimals of the symbol's price; 8 when the terminal cannot say, so that a
// failed lookup never rounds prices to whole numbers.
int DecimalesPrecio(const string simbolo)
  {
   long d;
   if(!SymbolInfoInteger(simbolo, SYMBOL_DIGITS, d))
      return(8);
   return((int)d);
  }

// Decimals of the symbol's lot step (0.01 gives 2, 0.001 gives 3).
int DecimalesVolumen(const string simbolo)
  {
   double paso = SymbolInfoDouble(simbolo, SYMBOL_VOLUME_STEP);
   int d = 0;
   while(d < 8 && paso > 0 && MathAbs(paso - MathRound(paso)) > 1e-9)
     {
      paso *= 10;
      d++;
     }
   return(d < 2 ? 2 : d);
  }

string Posiciones()
  {
   string j = "[";
   long desfase = DesfaseServidor();
   int total = PositionsTotal();
   bool primera = true;
   for(int i = 0; i < total; i++)
     {
      ulong ticket = PositionGetTicket(i);
      if(ticket == 0)
         continue;  // closed between the count and the read
      string simbolo = PositionGetString(POSITION_SYMBOL);
      int digitos = DecimalesPrecio(simbolo);
      bool compra = PositionGetInteger(POSITION_TYPE) == POSITION_TYPE_BUY;
      string p = "{";
      p += Par("ticket", StringFormat("%I64u", ticket));
      p += Par("symbol", Texto(simbolo));
      p += Par("type", compra ? "\"buy\"" : "\"sell\"");
      p += Par("volume", Numero(PositionGetDouble(POSITION_VOLUME), DecimalesVolumen(simbolo)));
      p += Par("openPrice", Numero(PositionGetDouble(POSITION_PRICE_OPEN), digitos));
      p += Par("currentPrice", Numero(PositionGetDouble(POSITION_PRICE_CURRENT), digitos));
      p += Par("sl", Numero(PositionGetDouble(POSITION_SL), digitos));
      p += Par("tp", Numero(PositionGetDouble(POSITION_TP), digitos));
      p += Par("profit", Numero(PositionGetDouble(POSITION_PROFIT), 2));
      p += Par("swap", Numero(PositionGetDouble(POSITION_SWAP), 2));
      p += Par("openTime", Entero((long)PositionGetInteger(POSITION_TIME) - desfase));
      p += Par("digits", Entero(digitos), true);
      j += (primera ? "" : ",") + p + "}";
      primera = false;
     }
   return(j + "]");
  }

//+------------------------------------------------------------------+
//| Closed deals of today and yesterday (server clock)               |
//+------------------------------------------------------------------+
// Opening time and price per position id, remembered so that a position
// opened before the window is looked up once, not every second.
long   g_abiertaId[];
long   g_abiertaHora[];
double g_abiertaPrecio[];
double g_abiertaVolumen[];
double g_abiertaComision[];

int BuscarApertura(const long id)
  {
   int n = ArraySize(g_abiertaId);
   for(int i = 0; i < n; i++)
      if(g_abiertaId[i] == id)
         return(i);
   return(-1);
  }

void GuardarApertura(const long id, const long hora, const double precio, const double volumen,
                     const double comision)
  {
   int n = ArraySize(g_abiertaId);
   if(n >= 2000)  // a long-running chart: start over rather than grow for ever
     {
      ArrayResize(g_abiertaId, 0);
      ArrayResize(g_abiertaHora, 0);
      ArrayResize(g_abiertaPrecio, 0);
      ArrayResize(g_abiertaVolumen, 0);
      ArrayResize(g_abiertaComision, 0);
      n = 0;
     }
   ArrayResize(g_abiertaId, n + 1);
   ArrayResize(g_abiertaHora, n + 1);
   ArrayResize(g_abiertaPrecio, n + 1);
   ArrayResize(g_abiertaVolumen, n + 1);
   ArrayResize(g_abiertaComision, n + 1);
   g_abiertaId[n] = id;
   g_abiertaHora[n] = hora;
   g_abiertaPrecio[n] = precio;
   g_abiertaVolumen[n] = volumen;
   g_abiertaComision[n] = comision;
  }

// The entry deal of a position: from the selected history when it is there,
// else from the position's own history (which changes the selection: only
// called once the window's deals have been read).
bool AperturaDe(const long id)
  {
   if(BuscarApertura(id) >= 0)
      return(true);
   if(!HistorySelectByPosition(id))
      return(false);
   int total = HistoryDealsTotal();
   for(int i = 0; i < total; i++)
     {
      ulong t = HistoryDealGetTicket(i);
      if(t == 0 || HistoryDealGetInteger(t, DEAL_ENTRY) != DEAL_ENTRY_IN)
         continue;
      GuardarApertura(id, HistoryDealGetInteger(t, DEAL_TIME), HistoryDealGetDouble(t, DEAL_PRICE),
                      HistoryDealGetDouble(t, DEAL_VOLUME), HistoryDealGetDouble(t, DEAL_COMMISSION));
      return(true);
     }
   return(false);
  }

string Operaciones()
  {
   long desfase = DesfaseServidor();
   datetime ahora = TimeTradeServer();
   MqlDateTime d;
   TimeToStruct(ahora, d);
   d.hour = 0;
   d.min = 0;
   d.sec = 0;
   datetime desde = StructToTime(d) - 86400;  // 00:00 of yesterday, server clock
   if(!HistorySelect(desde, ahora + 60))
      return("[]");
   // First every exit deal of the window, then the entries they need.
   ulong  tickets[];
   long   posiciones[];
   int total = HistoryDealsTotal();
   int n = 0;
   for(int i = 0; i < total; i++)
     {
      ulong t = HistoryDealGetTicket(i);
      if(t == 0)
         continue;
      long tipo = HistoryDealGetInteger(t, DEAL_TYPE);
      long entrada = HistoryDealGetInteger(t, DEAL_ENTRY);
      if(tipo != DEAL_TYPE_BUY && tipo != DEAL_TYPE_SELL)
         continue;  // balance, credit, charges: no trade
      if(entrada == DEAL_ENTRY_IN)
        {
         long id = HistoryDealGetInteger(t, DEAL_POSITION_ID);
         if(BuscarApertura(id) < 0)
            GuardarApertura(id, HistoryDealGetInteger(t, DEAL_TIME), HistoryDealGetDouble(t, DEAL_PRICE),
                            HistoryDealGetDouble(t, DEAL_VOLUME), HistoryDealGetDouble(t, DEAL_COMMISSION));
         continue;
        }
      ArrayResize(tickets, n + 1);
      ArrayResize(posiciones, n + 1);
      tickets[n] = t;
      posiciones[n] = HistoryDealGetInteger(t, DEAL_POSITION_ID);
      n++;
     }
   // The exit deals' own fields, read while the window is still selected.
   string simbolos[];
   bool   compras[];
   double volumenes[], precios[], beneficios[], comisiones[], swaps[];
   long   horas[];
   ArrayResize(simbolos, n);
   ArrayResize(compras, n);
   ArrayResize(volumenes, n);
   ArrayResize(precios, n);
   ArrayResize(beneficios, n);
   ArrayResize(comisiones, n);
   ArrayResize(swaps, n);
   ArrayResize(horas, n);
   for(int i = 0; i < n; i++)
     {
      ulong t = tickets[i];
      simbolos[i] = HistoryDealGetString(t, DEAL_SYMBOL);
      // Closing a buy is a sell deal: the trade's side is the other one.
      compras[i] = HistoryDealGetInteger(t, DEAL_TYPE) == DEAL_TYPE_SELL;
      volumenes[i] = HistoryDealGetDouble(t, DEAL_VOLUME);
      precios[i] = HistoryDealGetDouble(t, DEAL_PRICE);
      beneficios[i] = HistoryDealGetDouble(t, DEAL_PROFIT);
      comisiones[i] = HistoryDealGetDouble(t, DEAL_COMMISSION);
      swaps[i] = HistoryDealGetDouble(t, DEAL_SWAP);
      horas[i] = HistoryDealGetInteger(t, DEAL_TIME);
     }
   string j = "[";
   for(int i = 0; i < n; i++)
     {
      int digitos = DecimalesPrecio(simbolos[i]);
      string abre = "\"openTime\":null,\"openPrice\":null,";
      double comision = comisiones[i];
      if(AperturaDe(posiciones[i]))
        {
         int k = BuscarApertura(posiciones[i]);
         abre = Par("openTime", Entero(g_abiertaHora[k] - desfase)) +
                Par("openPrice", Numero(g_abiertaPrecio[k], digitos));
         // The entry's commission, in the share of its volume this exit closes.
         if(g_abiertaVolumen[k] > 0)
            comision += g_abiertaComision[k] * MathMin(1.0, volumenes[i] / g_abiertaVolumen[k]);
        }
      string p = "{";
      p += Par("ticket", StringFormat("%I64u", tickets[i]));
      p += Par("symbol", Texto(simbolos[i]));
      p += Par("type", compras[i] ? "\"buy\"" : "\"sell\"");
      p += Par("volume", Numero(volumenes[i], DecimalesVolumen(simbolos[i])));
      p += abre;
      p += Par("closeTime", Entero(horas[i] - desfase));
      p += Par("closePrice", Numero(precios[i], digitos));
      p += Par("profit", Numero(beneficios[i], 2));
      p += Par("commission", Numero(comision, 2));
      p += Par("swap", Numero(swaps[i], 2), true);
      j += (i ? "," : "") + p + "}";
     }
   return(j + "]");
  }

//+------------------------------------------------------------------+
//| What sizing needs, for the open positions' symbols and the list  |
//+------------------------------------------------------------------+
string Simbolo(const string s)
  {
   double tick = SymbolInfoDouble(s, SYMBOL_TRADE_TICK_SIZE);
   if(tick <= 0)
      return("");  // not a symbol of this broker
   // What a tick is worth in the account's currency on a losing move, per lot.
   double valor = SymbolInfoDouble(s, SYMBOL_TRADE_TICK_VALUE_LOSS);
   if(valor <= 0)
      valor = SymbolInfoDouble(s, SYMBOL_TRADE_TICK_VALUE);
   int digitos = DecimalesPrecio(s);
   string p = "{";
   p += Par("symbol", Texto(s));
   p += Par("digits", Entero(digitos));
   p += Par("point", Numero(SymbolInfoDouble(s, SYMBOL_POINT), digitos));
   p += Par("tickSize", Numero(tick, digitos));
   p += Par("tickValue", Numero(valor, 8));
   p += Par("contractSize", Numero(SymbolInfoDouble(s, SYMBOL_TRADE_CONTRACT_SIZE), 2));
   p += Par("volumeStep", Numero(SymbolInfoDouble(s, SYMBOL_VOLUME_STEP), 8));
   p += Par("volumeMin", Numero(SymbolInfoDouble(s, SYMBOL_VOLUME_MIN), 8));
   p += Par("volumeMax", Numero(SymbolInfoDouble(s, SYMBOL_VOLUME_MAX), 8), true);
   return(p + "}");
  }

string Simbolos()
  {
   string nombres[];
   int n = 0;
   int total = PositionsTotal();
   for(int i = 0; i < total; i++)
     {
      if(PositionGetTicket(i) == 0)
         continue;
      ArrayResize(nombres, n + 1);
      nombres[n++] = PositionGetString(POSITION_SYMBOL);
     }
   string lista[];
   int m = StringSplit(ListaSimbolos, ',', lista);
   for(int i = 0; i < m; i++)
     {
      StringTrimLeft(lista[i]);
      StringTrimRight(lista[i]);
      if(lista[i] == "")
         continue;
      ArrayResize(nombres, n + 1);
      nombres[n++] = lista[i];
     }
   string j = "[";
   bool primero = true;
   for(int i = 0; i < n; i++)
     {
      bool visto = false;
      for(int k = 0; k < i && !visto; k++)
         visto = nombres[k] == nombres[i];
      if(visto)
         continue;
      string p = Simbolo(nombres[i]);
      if(p == "")
         continue;
      j += (primero ? "" : ",") + p;
      primero = false;
     }
   return(j + "]");
  }

string Estado()
  {
   string j = "{";
   j += Par("version", Entero(QV_VERSION));
   j += Par("time", Entero((long)TimeGMT()));
   j += Par("connected", TerminalInfoInteger(TERMINAL_CONNECTED) != 0 ? "true" : "false");
   j += Par("account", Cuenta());
   j += Par("positions", Posiciones());
   j += Par("deals", Operaciones());
   j += Par("symbols", Simbolos(), true);
   return(j + "}\n");
  }

//+------------------------------------------------------------------+
//| Writing: whole file under a temporary name, then one move onto   |
//| the real name, so a reader never sees half a file.               |
//+------------------------------------------------------------------+
bool EscribirComo(const string nombre, const uchar &bytes[], const int n)
  {
   int h = FileOpen(g_temporal, FILE_WRITE | FILE_BIN | FILE_COMMON);
   if(h == INVALID_HANDLE)
      return(false);
   uint escritos = FileWriteArray(h, bytes, 0, n);
   FileClose(h);
   if(escritos != (uint)n ||
      !FileMove(g_temporal, FILE_COMMON, nombre, FILE_COMMON | FILE_REWRITE))
     {
      FileDelete(g_temporal, FILE_COMMON);
      return(false);
     }
   return(true);
  }

void Escribir()
  {
   // The Strategy Tester shares the common folder: test runs must not
   // overwrite the live account's file.
   if(MQLInfoInteger(MQL_TESTER))
      return;

   uchar bytes[];
   int n = StringToCharArray(Estado(), bytes, 0, WHOLE_ARRAY, CP_UTF8);
   if(n <= 1)
      return;
   n--;  // StringToCharArray counts the terminating zero

   // The account's own file first, then the one file of version 1, which
   // the newest writer wins (docs/mt5-status.md).
   long login = AccountInfoInteger(ACCOUNT_LOGIN);
   if(login > 0)
      EscribirComo(StringFormat("quorvex_mt5_%I64d.json", login), bytes, n);
   EscribirComo(QV_FICHERO, bytes, n);
  }
//+------------------------------------------------------------------+
