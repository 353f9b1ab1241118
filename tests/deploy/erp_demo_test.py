#!/usr/bin/env python3
"""Scenarios for the demo ERP database: build it with create-demo-db.sh in a
temporary folder and check, through isql-fb, what the exporter relies on."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from decimal import Decimal

SOURCE_DIR = os.environ.get(
    "TRAMEX_SOURCE_DIR",
    os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
ERP_DIR = os.path.join(SOURCE_DIR, "deploy", "erp")
CREATE = os.path.join(ERP_DIR, "create-demo-db.sh")
GENERATE = os.path.join(ERP_DIR, "generate-sales.sh")

# The sample sales are placed around this date.
REFERENCE = "2019-09-27"
MONTH_START, MONTH_TO_DATE = "2019/09/01", "2019/09/27"
BRANCHES = (1, 2, 3)


class SqlError(Exception):
    pass


def run_isql(target, sql, user="SYSDBA", password=None):
    """Runs SQL and returns the rows of every SELECT as dicts of raw text
    (each byte as one character, so Windows-1252 bytes stay visible)."""
    command = ["isql-fb", "-q", "-bail", "-user", user]
    if password is not None:
        command += ["-password", password]
    done = subprocess.run(command + [target], input=b"SET LIST ON;\n" + sql.encode("latin-1"),
                          capture_output=True, timeout=60)
    if done.returncode != 0:
        raise SqlError(done.stderr.decode("latin-1"))
    rows, row = [], {}
    for line in done.stdout.decode("latin-1").split("\n"):
        if not line.strip():
            if row:
                rows.append(row)
            row = {}
            continue
        # List mode prints the column name in a 32-character field.
        value = line[32:]
        row[line[:32].strip()] = None if value == "<null>" else value
    if row:
        rows.append(row)
    return rows


def create_demo(data_dir, company="DEMO", *options):
    done = subprocess.run([CREATE, data_dir, company, "--date", REFERENCE, *options],
                          capture_output=True, timeout=60)
    return done


def cp1252(text):
    """The text as the database stores it, one character per byte."""
    return text.encode("cp1252").decode("latin-1")


def call(db, procedure, *args):
    rendered = ",".join(a if isinstance(a, str) and a.startswith("'") else repr(a) if isinstance(a, int)
                        else "'" + a + "'" for a in args)
    return run_isql(db, f"select * from {procedure}({rendered});")


class DemoDatabase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.workdir = tempfile.TemporaryDirectory(prefix="tramex-erp-")
        done = create_demo(cls.workdir.name)
        if done.returncode != 0:
            raise AssertionError("create-demo-db.sh failed: " + done.stderr.decode("latin-1"))
        cls.db = os.path.join(cls.workdir.name, "datos", "DEMO", "quintor.fdb")

    @classmethod
    def tearDownClass(cls):
        cls.workdir.cleanup()

    def report(self, procedure, branch, family, start=MONTH_START, end=MONTH_TO_DATE):
        if procedure == "rep_sku_zel":
            return call(self.db, procedure, start, end, family, branch)
        return call(self.db, procedure, start, end, branch, family)


# Argument and result columns per procedure, as the exporter reads them.
TEXT, NUMBER = "VARCHAR", "NUMERIC"
INPUTS = [("INI", "VARCHAR(10)"), ("FIN", "VARCHAR(10)"), ("SUC", "INTEGER"), ("FAM", TEXT)]
SIGNATURES = {
    "REP_MUNICIPIOS_ZEL": (INPUTS, [("CODCIU", "VARCHAR(7)"), ("NOMCIU", "VARCHAR(60)")]),
    "REP_TIPONEGOCIO_ZEL": (INPUTS, [("CODTIPONEG", "VARCHAR(4)"), ("NOMTIPONEG", "VARCHAR(60)")]),
    "REP_VENDEDORES_ZEL": (INPUTS, [("NOMVEND", "VARCHAR(60)"), ("NITVEND", "VARCHAR(20)"),
                                    ("UBICAVEND", "VARCHAR(60)"), ("CODVEND", "VARCHAR(22)")]),
    "REP_CLIENTES_ZEL": (INPUTS, [
        ("CODCLI", "VARCHAR(22)"), ("NOMCLI", "VARCHAR(60)"), ("FECING", "VARCHAR(8)"),
        ("NITCLIE", "VARCHAR(20)"), ("DIR", "VARCHAR(60)"), ("TEL", "VARCHAR(40)"),
        ("CODMUNI", "VARCHAR(7)"), ("TIPONEG", "VARCHAR(4)"), ("NOMCIU", "VARCHAR(60)"),
        ("ZONA", "VARCHAR(3)")]),
    "REP_SKU_ZEL": ([INPUTS[0], INPUTS[1], INPUTS[3], INPUTS[2]], [
        ("CODART", "VARCHAR(15)"), ("NOMART", "VARCHAR(60)"), ("TIPOREF", "VARCHAR(2)"),
        ("UNIDAD", "VARCHAR(8)"), ("CODBARRAS", "VARCHAR(15)"), ("NOMFAMI", "VARCHAR(60)"),
        ("SALDO", "NUMERIC(15,4)"), ("FECHA", "VARCHAR(8)")]),
    "REP_RUTAS_ZEL": (INPUTS, [("CODCLI", "VARCHAR(20)"), ("FRECUENCIA", "VARCHAR(40)"),
                               ("MES", "VARCHAR(2)"), ("CODVEND", "VARCHAR(22)")]),
    "REP_VENTASDET_ZEL": (INPUTS, [
        ("CODARTI", "VARCHAR(15)"), ("NITCLI", "VARCHAR(20)"), ("FECDOC", "VARCHAR(8)"),
        ("NUMDOC", "VARCHAR(8)"), ("CANT", "NUMERIC(15,4)"), ("TOTITEM", "NUMERIC(15,2)"),
        ("UNIDAD", "VARCHAR(8)"), ("TIPO", "VARCHAR(1)"), ("COSTO", "NUMERIC(15,2)"),
        ("CODVEND", "VARCHAR(22)")]),
    "REP_VENTAS_ZEL": (INPUTS, [
        ("NITCLI", "VARCHAR(20)"), ("FECDOC", "VARCHAR(8)"), ("NUMDOC", "VARCHAR(8)"),
        ("TOTALDOC", "NUMERIC(15,2)"), ("TOTALCASA", "NUMERIC(15,2)"),
        ("TOTALCONTROL", "NUMERIC(15,2)"), ("CODVEND", "VARCHAR(22)")]),
}

PARAMETERS_SQL = """
select trim(p.rdb$parameter_name) as name, p.rdb$parameter_type as direction,
       f.rdb$field_type as ftype, f.rdb$field_sub_type as subtype,
       f.rdb$character_length as chars, f.rdb$field_precision as prec,
       f.rdb$field_scale as scale
  from rdb$procedure_parameters p
  join rdb$fields f on f.rdb$field_name = p.rdb$field_source
 where p.rdb$procedure_name = '{}'
 order by p.rdb$parameter_type, p.rdb$parameter_number;
"""


def describe_type(row):
    ftype, scale = int(row["FTYPE"]), int(row["SCALE"])
    if ftype == 37:
        return f"VARCHAR({int(row['CHARS'])})"
    if ftype == 14:
        return f"CHAR({int(row['CHARS'])})"
    if scale < 0 and ftype in (7, 8, 16):
        return f"NUMERIC({int(row['PREC'])},{-scale})"
    return {8: "INTEGER", 7: "SMALLINT", 16: "BIGINT", 12: "DATE"}.get(ftype, f"type {ftype}")


class Contract(DemoDatabase):
    def test_procedures_take_and_return_the_agreed_columns(self):
        for procedure, (inputs, outputs) in SIGNATURES.items():
            with self.subTest(procedure=procedure):
                rows = run_isql(self.db, PARAMETERS_SQL.format(procedure))
                got_in = [(r["NAME"], describe_type(r)) for r in rows if r["DIRECTION"].strip() == "0"]
                got_out = [(r["NAME"], describe_type(r)) for r in rows if r["DIRECTION"].strip() == "1"]
                self.assertEqual(len(got_in), 4)
                for (name, want), (got_name, got) in zip(inputs, got_in):
                    # Names only document the order; the family's width is free.
                    if want == TEXT:
                        self.assertTrue(got.startswith("VARCHAR("), f"{got_name}: {got}")
                        self.assertGreaterEqual(int(got[8:-1]), 2)
                    else:
                        self.assertEqual(got, want, f"argument {got_name} (where {name} belongs)")
                self.assertEqual(got_out, outputs)

    def test_branch_zero_gives_every_branch(self):
        def key(row):
            return tuple(sorted((k, v or "") for k, v in row.items() if k != "TOTALCONTROL"))
        for procedure in ("rep_vendedores_zel", "rep_clientes_zel", "rep_rutas_zel",
                          "rep_ventasdet_zel", "rep_ventas_zel"):
            for family in ("01", "02"):
                with self.subTest(procedure=procedure, family=family):
                    per_branch = [self.report(procedure, b, family) for b in BRANCHES]
                    everything = self.report(procedure, 0, family)
                    union = sorted(key(r) for rows in per_branch for r in rows)
                    self.assertEqual(sorted(key(r) for r in everything), union)
                    # Every branch holds part of it, so a branch filter that
                    # is ignored cannot pass.
                    for rows in per_branch:
                        self.assertTrue(0 < len(rows) < len(everything), procedure)
        for procedure, code in (("rep_municipios_zel", "CODCIU"), ("rep_tiponegocio_zel", "CODTIPONEG")):
            with self.subTest(procedure=procedure):
                union = set()
                for b in BRANCHES:
                    union |= {r[code] for r in self.report(procedure, b, "01")}
                self.assertEqual({r[code] for r in self.report(procedure, 0, "01")}, union)

    def test_branch_zero_stock_is_the_sum_of_the_branches(self):
        total = {}
        for b in BRANCHES:
            for row in self.report("rep_sku_zel", b, "01"):
                total[row["CODART"]] = total.get(row["CODART"], Decimal(0)) + Decimal(row["SALDO"])
        everything = {r["CODART"]: Decimal(r["SALDO"]) for r in self.report("rep_sku_zel", 0, "01")}
        self.assertEqual(everything, total)
        self.assertEqual(everything["L001"], Decimal("1241.65"))

    def test_period_bounds_the_sales_inclusively(self):
        def numbers(start, end, procedure="rep_ventas_zel"):
            return [(r["FECDOC"], r["NUMDOC"]) for r in self.report(procedure, 0, "01", start, end)]
        month = numbers(MONTH_START, MONTH_TO_DATE)
        self.assertTrue(month)
        self.assertTrue(all("20190901" <= d <= "20190927" for d, _ in month), month)
        # The last day of August and six weeks before lie outside the month.
        wider = numbers("2019/07/01", MONTH_TO_DATE)
        self.assertIn(("20190831", "F0000999"), wider)
        self.assertIn(("20190721", "F0001999"), wider)
        self.assertEqual([x for x in wider if x[0] >= "20190901"], month)
        # Both ends count: a one-day period on either bound keeps its day.
        self.assertEqual(numbers(MONTH_START, MONTH_START), [("20190901", "F0001001")])
        self.assertEqual({d for d, _ in numbers(MONTH_TO_DATE, MONTH_TO_DATE)}, {"20190927"})
        self.assertNotIn("20190927", {d for d, _ in numbers(MONTH_START, "2019/09/26")})
        lines = numbers(MONTH_START, MONTH_TO_DATE, "rep_ventasdet_zel")
        self.assertTrue(all("20190901" <= d <= "20190927" for d, _ in lines), lines)
        self.assertNotIn(("20190831", "F0000999"), lines)

    def test_family_without_sales_gives_no_sales_rows(self):
        for procedure in ("rep_ventas_zel", "rep_ventasdet_zel"):
            for branch in (0,) + BRANCHES:
                self.assertEqual(self.report(procedure, branch, "03", "2000/01/01", "2099/12/31"), [])
        # The family itself exists: its articles are still listed.
        self.assertEqual([r["CODART"] for r in self.report("rep_sku_zel", 0, "03")], ["A001", "A002"])

    def test_last_sales_row_carries_the_control_total(self):
        for branch in (0,) + BRANCHES:
            for family in ("01", "02"):
                with self.subTest(branch=branch, family=family):
                    rows = self.report("rep_ventas_zel", branch, family)
                    self.assertTrue(rows)
                    whole = sum(Decimal(r["TOTALDOC"]) for r in rows)
                    self.assertEqual(Decimal(rows[-1]["TOTALCONTROL"]), whole)
        # With the credit note last, the total is not simply the largest one.
        rows = self.report("rep_ventas_zel", 0, "01")
        self.assertEqual(rows[-1]["NUMDOC"], "N0002001")
        self.assertEqual(rows[-1]["TOTALCONTROL"], "1792.48")
        self.assertGreater(max(Decimal(r["TOTALCONTROL"]) for r in rows), Decimal("1792.48"))

    def test_family_share_and_lines_agree(self):
        docs = self.report("rep_ventas_zel", 0, "01")
        lines = self.report("rep_ventasdet_zel", 0, "01")
        share = {}
        for line in lines:
            share[line["NUMDOC"]] = share.get(line["NUMDOC"], Decimal(0)) + Decimal(line["TOTITEM"])
        self.assertEqual({d["NUMDOC"]: Decimal(d["TOTALCASA"]) for d in docs}, share)
        # F0001001 also sold a drink: the document total is larger than the share.
        first = next(d for d in docs if d["NUMDOC"] == "F0001001")
        self.assertEqual((first["TOTALDOC"], first["TOTALCASA"]), ("1334.50", "1234.50"))

    def test_rows_come_in_a_stable_order(self):
        for procedure, keys in (("rep_ventas_zel", ("FECDOC", "NUMDOC")),
                                ("rep_ventasdet_zel", ("FECDOC", "NUMDOC")),
                                ("rep_clientes_zel", ("CODCLI",)),
                                ("rep_municipios_zel", ("CODCIU",)),
                                ("rep_sku_zel", ("CODART",))):
            rows = self.report(procedure, 0, "01")
            ordered = [tuple(r[k] for k in keys) for r in rows]
            self.assertEqual(ordered, sorted(ordered), procedure)
            self.assertEqual(self.report(procedure, 0, "01"), rows)

    def test_sample_values_exercise_the_file_rules(self):
        lines = self.report("rep_ventasdet_zel", 0, "01")
        amounts = {r["TOTITEM"] for r in lines}
        self.assertTrue({"7.10", "0.05", "1234.50", "-15.00"} <= amounts, amounts)
        self.assertIn(None, {r["COSTO"] for r in lines})
        sku = self.report("rep_sku_zel", 2, "01")
        self.assertIn("-2.5000", {r["SALDO"] for r in sku})
        self.assertEqual({r["FECHA"] for r in sku}, {"20190927"})
        customers = self.report("rep_clientes_zel", 0, "01")
        self.assertIn(None, {r["FECING"] for r in customers})
        self.assertIn(None, {r["TEL"] for r in customers})
        self.assertEqual({r["MES"] for r in self.report("rep_rutas_zel", 0, "01")}, {"09"})

    def test_names_are_stored_as_windows_1252_bytes(self):
        rows = run_isql(self.db, "select ascii_val(substring(sucu_nombre from 11 for 1)) as code, "
                                 "octet_length(sucu_nombre) as bytes from sucursales where sucu_id = 3;")
        self.assertEqual(rows, [{"CODE": "241", "BYTES": "17"}])
        names = {r["SUCU_NOMBRE"] for r in run_isql(self.db, "select sucu_nombre from sucursales;")}
        self.assertEqual(names, {cp1252("Principal Bogotá"), cp1252("Sucursal Medellín"),
                                 cp1252("Agencia Cañaveral")})
        families = {r["NOMFAMI"] for r in self.report("rep_sku_zel", 0, "01")}
        self.assertEqual(families, {"L\xe1cteos El \xd1and\xfa S.A."})

    def test_destinations_of_families_01_and_02(self):
        rows = run_isql(self.db, "select * from configura_linkftp where cflk_codfami = '01';")
        self.assertEqual(rows, [{"CFLK_CODFAMI": "01", "SUCU_ID": "0", "CFLK_SERVER": "127.0.0.1",
                                 "CFLK_USUARIO": "demo", "CFLK_CLAVE": "demo", "CFLK_CODCASA": "C1",
                                 "CFLK_UBICADOC": "", "CFLK_CODPARTNER": "P1", "CFLK_DIAS": "1"}])
        self.assertEqual(len(run_isql(self.db, "select * from configura_linkftp where cflk_codfami = '02';")), 1)

    def test_a_date_in_another_form_is_refused(self):
        for start in ("09/01/2019", "2019-09-01", "2019/9/1"):
            with self.assertRaises(SqlError) as raised:
                self.report("rep_ventas_zel", 0, "01", start, MONTH_TO_DATE)
            self.assertIn("AAAA/MM/DD", str(raised.exception))


class Scripts(unittest.TestCase):
    def setUp(self):
        self.workdir = tempfile.TemporaryDirectory(prefix="tramex-erp-")
        self.addCleanup(self.workdir.cleanup)
        self.db = os.path.join(self.workdir.name, "datos", "ACME", "quintor.fdb")

    def count(self, table):
        return int(run_isql(self.db, f"select count(*) as n from {table};")[0]["N"])

    def test_existing_database_is_kept_unless_forced(self):
        self.assertEqual(create_demo(self.workdir.name, "ACME").returncode, 0)
        run_isql(self.db, "insert into sucursales values (9, 'Marca'); commit;")
        refused = create_demo(self.workdir.name, "ACME")
        self.assertNotEqual(refused.returncode, 0)
        self.assertIn(b"--force", refused.stderr)
        self.assertEqual(self.count("sucursales"), 4)
        self.assertEqual(create_demo(self.workdir.name, "ACME", "--force").returncode, 0)
        self.assertEqual(self.count("sucursales"), 3)

    def test_sales_on_the_first_of_a_month_stay_in_that_month(self):
        done = subprocess.run([CREATE, self.workdir.name, "ACME", "--date", "2020-03-01"],
                              capture_output=True, timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        rows = call(self.db, "rep_ventas_zel", "2020/03/01", "2020/03/01", 0, "01")
        self.assertEqual([r["NUMDOC"] for r in rows],
                         ["F0001001", "F0001002", "F0002001", "F0003001", "N0002001"])
        earlier = call(self.db, "rep_ventas_zel", "2020/01/01", "2020/02/29", 0, "01")
        self.assertEqual([(r["FECDOC"], r["NUMDOC"]) for r in earlier],
                         [("20200119", "F0001999"), ("20200229", "F0000999")])

    def test_ftp_host_option_reaches_both_destinations(self):
        self.assertEqual(create_demo(self.workdir.name, "ACME", "--ftp-server", "10.0.0.7").returncode, 0)
        rows = run_isql(self.db, "select distinct cflk_server from configura_linkftp;")
        self.assertEqual(rows, [{"CFLK_SERVER": "10.0.0.7"}])

    def test_generator_adds_the_requested_sales_lines(self):
        self.assertEqual(create_demo(self.workdir.name, "ACME").returncode, 0)
        before = self.count("documentos_det")
        done = subprocess.run([GENERATE, self.workdir.name, "ACME", "23", "--date", REFERENCE],
                              capture_output=True, timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(self.count("documentos_det"), before + 23)
        # Three new documents (10 + 10 + 3 lines), all inside the month.
        new_docs = run_isql(self.db, "select docu_fecha from documentos where docu_numero starting 'G';")
        self.assertEqual(len(new_docs), 3)
        self.assertTrue(all("2019-09-01" <= r["DOCU_FECHA"].strip() <= "2019-09-27" for r in new_docs))
        # The reports see them and the control total still closes.
        rows = call(self.db, "rep_ventas_zel", MONTH_START, MONTH_TO_DATE, 0, "01")
        self.assertEqual(Decimal(rows[-1]["TOTALCONTROL"]), sum(Decimal(r["TOTALDOC"]) for r in rows))
        self.assertTrue(any(r["NUMDOC"].startswith("G") for r in rows))

    def test_generator_rejects_a_missing_database(self):
        done = subprocess.run([GENERATE, self.workdir.name, "NADA", "5"], capture_output=True, timeout=60)
        self.assertNotEqual(done.returncode, 0)
        self.assertFalse(os.path.exists(os.path.join(self.workdir.name, "datos", "NADA", "quintor.fdb")))


class Server(unittest.TestCase):
    """Creation over TCP, against the server of scripts/services/firebird.sh."""

    def setUp(self):
        self.folder = os.environ.get("TRAMEX_FB_SERVER_DIR")
        if not self.folder:
            self.skipTest("TRAMEX_FB_SERVER_DIR is not set (start scripts/services/firebird.sh)")
        self.host = os.environ["TRAMEX_FB_SERVER_HOST"]
        self.user = os.environ["TRAMEX_FB_SERVER_USER"]
        self.password = os.environ["TRAMEX_FB_SERVER_PASSWORD"]

    def test_demo_database_created_and_read_over_tcp(self):
        company = f"DEPLOY{os.getpid()}"
        options = ["--server", self.host, "--user", self.user, "--password", self.password]
        done = create_demo(self.folder, company, "--force", *options)
        self.assertEqual(done.returncode, 0, done.stderr)
        target = f"{self.host}:{self.folder}/datos/{company}/quintor.fdb"
        try:
            rows = run_isql(target, f"select * from rep_ventas_zel('{MONTH_START}','{MONTH_TO_DATE}',0,'01');",
                            self.user, self.password)
            self.assertEqual(rows[-1]["TOTALCONTROL"], "1792.48")
            with self.assertRaises(SqlError):
                run_isql(target, "select 1 from rdb$database;", self.user, self.password + "x")
        finally:
            run_isql(target, "drop database;", self.user, self.password)
            shutil.rmtree(os.path.join(self.folder, "datos", company), ignore_errors=True)


if __name__ == "__main__":
    groups = sys.argv[1:] or ["Contract", "Scripts", "Server"]
    suite = unittest.TestSuite(unittest.defaultTestLoader.loadTestsFromTestCase(globals()[g]) for g in groups)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    if not result.wasSuccessful():
        sys.exit(1)
    sys.exit(77 if result.skipped and result.testsRun == len(result.skipped) else 0)
